# Read by cpack as it starts a package (CPACK_PROJECT_CONFIG_FILE), before it stages any file.

# Without dpkg-shlibdeps the package would name no library it needs: it would install where Qt is
# missing and then fail to start. So cpack -G DEB refuses, in one line.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(ZEM_SHLIBDEPS dpkg-shlibdeps)
  find_program(ZEM_FILE file)
  if(NOT ZEM_SHLIBDEPS OR NOT ZEM_FILE)
    message(NOTICE "zem: no package without dpkg-shlibdeps and file, which name the libraries zem needs; "
                   "install them with: sudo apt-get install dpkg-dev file")
    # A failed script cannot end cpack: it would go on and add error lines of its own that say
    # nothing more. So the refusal ends cpack as Ctrl-C would, quietly, with exit status 130.
    execute_process(COMMAND sh -c "kill -INT $PPID")
    message(FATAL_ERROR "zem: cpack did not stop")
  endif()
endif()
