# Install rules and the Debian package.
#
# `cmake --install` puts bin/logvane and share/man/man1/logvane.1 under the
# prefix, nothing else. The Debian package carries the same program, the
# page gzip'd as logvane.1.gz, since Debian ships compressed manual pages
# (gzip -9n, no name or time stamp, so the package is reproducible), and the
# licence and the changelog in share/doc/logvane/.

include(GNUInstallDirs)

# The page is written once, with the project's version filled in here, so the
# version number lives only in project().
set(LOGVANE_MAN_PAGE ${PROJECT_BINARY_DIR}/man/logvane.1)
configure_file(${PROJECT_SOURCE_DIR}/man/logvane.1.in ${LOGVANE_MAN_PAGE}
               @ONLY)
# configure_file makes the page a configure dependency: an edit of it reruns
# this step, so the compressed copy never lags behind.
find_program(LOGVANE_GZIP gzip REQUIRED)
execute_process(COMMAND ${LOGVANE_GZIP} -9 -n -c
                INPUT_FILE ${LOGVANE_MAN_PAGE}
                OUTPUT_FILE ${LOGVANE_MAN_PAGE}.gz
                COMMAND_ERROR_IS_FATAL ANY)

# Debian's changelog, generated from the version: one entry, dated by the
# last commit (or SOURCE_DATE_EPOCH when set, as Debian's tools do), so the
# same sources give the same package. Outside a git checkout it is the time
# of configuring.
set(LOGVANE_MAINTAINER
    "logvane maintainers <maintainers@users.noreply.c-seed-2835d281.example>")
set(LOGVANE_DATE_FROM_COMMIT OFF)
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE LOGVANE_COMMIT_TIME
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(LOGVANE_COMMIT_TIME MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${LOGVANE_COMMIT_TIME})
      set(LOGVANE_DATE_FROM_COMMIT ON)
    endif()
  endif()
endif()
string(TIMESTAMP LOGVANE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
if(LOGVANE_DATE_FROM_COMMIT)
  unset(ENV{SOURCE_DATE_EPOCH})
endif()
set(LOGVANE_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
               ${LOGVANE_CHANGELOG} @ONLY)
execute_process(COMMAND ${LOGVANE_GZIP} -9 -n -c
                INPUT_FILE ${LOGVANE_CHANGELOG}
                OUTPUT_FILE ${LOGVANE_CHANGELOG}.gz
                COMMAND_ERROR_IS_FATAL ANY)

# Components: the plain page is part of every ordinary install; the gzip'd
# page only of the package, which leaves the plain one out.
install(TARGETS logvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT program)
# A stripped install (the package's, or cmake --install --strip) also drops
# the compiler's notes, which strip leaves in.
if(NOT APPLE)
  set(LOGVANE_PROGRAM_PATH
      "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
  string(APPEND LOGVANE_PROGRAM_PATH "/$<TARGET_FILE_NAME:logvane>")
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\"
                    --remove-section=.comment --remove-section=.note
                    \"${LOGVANE_PROGRAM_PATH}\" COMMAND_ERROR_IS_FATAL ANY)
  endif()" COMPONENT program)
endif()
install(FILES ${LOGVANE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT manual)
install(FILES ${LOGVANE_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT debian_manual EXCLUDE_FROM_ALL)
# Debian wants the licence as a machine-readable copyright file, and the
# changelog.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${LOGVANE_CHANGELOG}.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian_manual
        EXCLUDE_FROM_ALL)
# lintian's two findings that do not apply here, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME logvane COMPONENT debian_manual EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME logvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LOGVANE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert a track log into a KML document")
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "logvane reads a text track log (a header with a reference position, then
13-column position records) and writes a KML 2.2 document that shows the
track as a path extruded to the ground, a half-transparent green wall under a
yellow line, with a point at the reference position. The document is named
after the log and written into the current directory, ready for Google Earth
or any other KML viewer.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# libstdc++ and libgcc are linked in, so dpkg-shlibdeps finds libc6 alone;
# a build against libc++ also depends on its packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without dpkg-shlibdeps cpack only warns and writes no Depends field: the
# package is then removed and cpack fails.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/check-depends.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The package installs the listed components one by one, which leaves out the
# plain page, and puts them all into one package.
set(CPACK_COMPONENTS_ALL program debian_manual)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
# Directories the package creates are 0755 whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
include(CPack)

if(LOGVANE_TESTS)
  # groff writes warnings without changing its exit status: any output fails.
  add_test(NAME packaging.man_page_renders_cleanly
           COMMAND groff -man -Tutf8 -ww -z ${LOGVANE_MAN_PAGE})
  set_tests_properties(packaging.man_page_renders_cleanly PROPERTIES
                       FAIL_REGULAR_EXPRESSION ".")

  # A sanitized build links the sanitizer runtimes and is no release: its
  # dependencies would not be libc6 alone. A cross-built program is packaged
  # on its own kind of machine, whose libraries dpkg-shlibdeps knows.
  if(NOT LOGVANE_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
    # Without libstdc++ the C++ library stays shared: its packages, as an
    # extended regular expression, may stand beside libc6.
    set(LOGVANE_RUNTIME_PACKAGES)
    if(NOT LOGVANE_LIBSTDCXX)
      set(LOGVANE_RUNTIME_PACKAGES
          "libc\\+\\+1-[0-9]+|libc\\+\\+abi1-[0-9]+|libunwind-[0-9]+|libgcc-s1")
    endif()
    add_test(NAME packaging.debian_package
             COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check_package.sh
                     ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
                     ${PROJECT_VERSION} ${LOGVANE_RUNTIME_PACKAGES})
    set_tests_properties(packaging.debian_package PROPERTIES TIMEOUT 300)
    # Two builds of a git checkout give the same package.
    if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
      add_test(NAME packaging.debian_package_reproducible
               COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check_reproducible.sh
                       ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND} DEB
                       ${PROJECT_SOURCE_DIR})
      set_tests_properties(packaging.debian_package_reproducible PROPERTIES
                           TIMEOUT 600)
    endif()
  endif()
endif()
