# The Windows zip. `cpack` (ZIP) gives logvane-<version>-win64.zip: one
# folder of that name holding logvane.exe, README.md, LICENSE and the manual
# page as plain text, logvane.txt, with CR LF line ends for Notepad.

set(LOGVANE_MAN_PAGE ${PROJECT_BINARY_DIR}/man/logvane.1)
configure_file(${PROJECT_SOURCE_DIR}/man/logvane.1.in ${LOGVANE_MAN_PAGE}
               @ONLY)
# -P-cbu: no overstriking for bold or underlined text, so plain ASCII.
find_program(LOGVANE_GROFF groff REQUIRED)
execute_process(COMMAND ${LOGVANE_GROFF} -man -Tascii -P-cbu
                        ${LOGVANE_MAN_PAGE}
                COMMAND sed "s/$/\r/"
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/man/logvane.txt
                COMMAND_ERROR_IS_FATAL ANY)

install(TARGETS logvane RUNTIME DESTINATION .)
install(FILES README.md LICENSE ${PROJECT_BINARY_DIR}/man/logvane.txt
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
                   ${CMAKE_OBJDUMP} ${PROJECT_SOURCE_DIR})
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
