# Run by cpack once the files are staged, before the package is written.

# Without dpkg-shlibdeps the package would name no library it needs: it would install where Qt is
# missing and then fail to start.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(ZEM_SHLIBDEPS dpkg-shlibdeps)
  find_program(ZEM_FILE file)
  if(NOT ZEM_SHLIBDEPS OR NOT ZEM_FILE)
    message(FATAL_ERROR "dpkg-shlibdeps or file is missing, so the package could not name the libraries "
                        "zem needs. Install them with: sudo apt-get install dpkg-dev file")
  endif()
  # lintian's overrides mean something only inside a package.
  set(overrides "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/lintian/overrides")
  file(MAKE_DIRECTORY "${overrides}")
  file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/lintian-overrides" "${overrides}/zem")
endif()
