# Run by cpack once the files are staged (CPACK_PRE_BUILD_SCRIPTS), before the package is written:
# lintian's overrides mean something only inside a package.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(overrides "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/lintian/overrides")
  file(MAKE_DIRECTORY "${overrides}")
  file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/lintian-overrides" "${overrides}/zem")
endif()
