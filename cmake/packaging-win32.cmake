# The Windows zip. `cpack` (ZIP) gives logvane-<version>-win64.zip: one
# folder of that name holding logvane.exe, README.txt (how to run it on
# Windows), the sample log zurich-lake-boat.txt, the licence as LICENSE.txt
# and the manual page as plain text, logvane.txt: the text files with CR LF
# line ends, for Notepad. The Linux README.md stays out.

set(LOGVANE_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/packaging/windows)
set(LOGVANE_ZIP_DIR ${PROJECT_BINARY_DIR}/zip)
file(MAKE_DIRECTORY ${LOGVANE_ZIP_DIR})

# The program's version information and application manifest, compiled by
# windres. The copyright line and the licence's name come from LICENSE.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE LOGVANE_LICENCE LIMIT_COUNT 1)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE LOGVANE_COPYRIGHT
     REGEX "^Copyright ")
set(LOGVANE_MANIFEST ${LOGVANE_WINDOWS_DIR}/logvane.exe.manifest)
configure_file(${LOGVANE_WINDOWS_DIR}/logvane.rc.in
               ${PROJECT_BINARY_DIR}/packaging/logvane.rc @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE)
set_source_files_properties(${PROJECT_BINARY_DIR}/packaging/logvane.rc
                            PROPERTIES OBJECT_DEPENDS ${LOGVANE_MANIFEST})
target_sources(logvane PRIVATE ${PROJECT_BINARY_DIR}/packaging/logvane.rc)

# The page for Windows (-rwindows=1): no hyphenation, cmd and PowerShell in
# the examples. -P-cbu: no overstriking for bold or underlined text, so
# plain ASCII.
set(LOGVANE_MAN_PAGE ${PROJECT_BINARY_DIR}/man/logvane.1)
configure_file(${PROJECT_SOURCE_DIR}/man/logvane.1.in ${LOGVANE_MAN_PAGE}
               @ONLY)
find_program(LOGVANE_GROFF groff REQUIRED)
execute_process(COMMAND ${LOGVANE_GROFF} -man -Tascii -P-cbu -rwindows=1
                        ${LOGVANE_MAN_PAGE}
                COMMAND sed "s/$/\r/"
                OUTPUT_FILE ${LOGVANE_ZIP_DIR}/logvane.txt
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${LOGVANE_WINDOWS_DIR}/README.txt.in
               ${LOGVANE_ZIP_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
# The licence's text as it is, with CR LF line ends.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${LOGVANE_ZIP_DIR}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS logvane RUNTIME DESTINATION .)
install(FILES ${LOGVANE_ZIP_DIR}/README.txt ${LOGVANE_ZIP_DIR}/LICENSE.txt
              ${LOGVANE_ZIP_DIR}/logvane.txt
              ${PROJECT_SOURCE_DIR}/examples/zurich-lake-boat.txt
        DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME logvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME logvane-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(LOGVANE_TESTS)
  add_test(NAME packaging.windows_zip
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check_zip.sh
                   ${CMAKE_CPACK_COMMAND} ${CMAKE_COMMAND}
                   ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${PROJECT_VERSION}
                   ${CMAKE_OBJDUMP} ${PROJECT_SOURCE_DIR}
                   ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(packaging.windows_zip PROPERTIES TIMEOUT 300)
  # Two builds of a git checkout give the same zip.
  if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    # The toolchain file as a path in the sources, so each copy takes its own.
    get_filename_component(LOGVANE_TOOLCHAIN ${CMAKE_TOOLCHAIN_FILE} ABSOLUTE)
    file(RELATIVE_PATH LOGVANE_TOOLCHAIN ${PROJECT_SOURCE_DIR}
         ${LOGVANE_TOOLCHAIN})
    add_test(NAME packaging.windows_zip_reproducible
             COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check_reproducible.sh
                     ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND} ZIP
                     ${PROJECT_SOURCE_DIR}
                     -DCMAKE_TOOLCHAIN_FILE=${LOGVANE_TOOLCHAIN})
    set_tests_properties(packaging.windows_zip_reproducible PROPERTIES
                         TIMEOUT 600)
  endif()
endif()
