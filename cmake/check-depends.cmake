# Run by cpack once it has written the Debian package: a package without a
# Depends field would install where the program cannot run. cpack leaves
# the field out, with no more than a note, when dpkg-shlibdeps (dpkg-dev)
# is missing; such a package is removed and the build fails.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(LOGVANE_DPKG_DEB dpkg-deb)
if(NOT LOGVANE_DPKG_DEB)
  message(FATAL_ERROR "dpkg-deb is missing: the package's Depends field "
          "cannot be checked")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${LOGVANE_DPKG_DEB} --field ${package} Depends
                  OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  if(depends STREQUAL "")
    file(REMOVE ${package})
    message(FATAL_ERROR "the package has no Depends field, so it was "
            "removed: install dpkg-dev (for dpkg-shlibdeps) and build it "
            "again, or run tools/package.sh, which installs it")
  endif()
endforeach()
