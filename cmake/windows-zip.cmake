# The zip for Windows operators (cpack -G ZIP in build-windows/, which scripts/build-windows makes):
# one folder holding zem.exe, the Qt and mingw-w64 runtime DLLs it loads, the Windows and offscreen
# platforms, the Windows style, a README and the licences. Unpacked anywhere, zem.exe runs.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "zem-${ZEM_VERSION}-windows-x86_64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

install(TARGETS zem RUNTIME DESTINATION .)

get_target_property(qtcore Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qtbin "${qtcore}" DIRECTORY)
get_filename_component(qtprefix "${qtbin}" DIRECTORY)
install(FILES "${qtbin}/Qt6Core.dll" "${qtbin}/Qt6Gui.dll" "${qtbin}/Qt6Widgets.dll" DESTINATION .)
install(FILES "${qtprefix}/plugins/platforms/qwindows.dll" "${qtprefix}/plugins/platforms/qoffscreen.dll"
        DESTINATION platforms)
install(DIRECTORY "${qtprefix}/plugins/styles/" DESTINATION styles)

# The C++ runtime, the GCC support library and the threads library of the posix compilers.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "mingw-w64 has no ${dll}")
  endif()
  install(FILES "${found}" DESTINATION .)
endforeach()

# Release builds still carry their symbol tables: a quarter of their size.
install(CODE "
  file(GLOB_RECURSE binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.exe\")
  foreach(binary \${binaries})
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${binary}\" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()")

# The README's section on Windows, on its own.
file(READ "${CMAKE_SOURCE_DIR}/README.md" readme)
string(FIND "${readme}" "\n## On Windows\n" start)
if(start LESS 0)
  message(FATAL_ERROR "README.md has no section \"On Windows\"")
endif()
string(SUBSTRING "${readme}" ${start} -1 windows)
string(FIND "${windows}" "\n## " end)
string(SUBSTRING "${windows}" 1 -1 windows)
string(FIND "${windows}" "\n## " end)
string(SUBSTRING "${windows}" 0 ${end} windows)
string(STRIP "# Quorvane ZEM Control ${ZEM_VERSION}\n${windows}" windows)
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/README.txt" CONTENT "${windows}\n" @ONLY NEWLINE_STYLE CRLF)
install(FILES "${CMAKE_BINARY_DIR}/README.txt" DESTINATION .)

# Qt is used under the LGPL 3 (whose terms build on the GPL's); Qt's folder also holds the licences
# of the libraries built into its DLLs. The runtime DLLs are GCC's and mingw-w64's.
install(FILES "${CMAKE_SOURCE_DIR}/app/doc/copyright" DESTINATION licences RENAME zem.txt)
install(DIRECTORY "${qtprefix}/licenses/" DESTINATION licences/Qt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licences
        RENAME mingw-w64-gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licences RENAME mingw-w64.txt)
unset(CPACK_PRE_BUILD_SCRIPTS)
