# The same commit gives the same bytes wherever and whenever it is built.
#
# Paths: the source and build folders are mapped out of everything the
# compiler writes (__FILE__, debug information), so two folders give one
# program.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
                    "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
# Times: cpack dates every file of the .deb and the zip with
# SOURCE_DATE_EPOCH when it is set. Where it is not, this file, read by cpack
# before it writes a package, sets it to the time of the last commit, so
# no one has to set it by hand. Outside a git checkout the files keep the
# times of the build.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackSourceDate.cmake)
file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE} @ONLY CONTENT
[[if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY "@PROJECT_SOURCE_DIR@"
                  OUTPUT_VARIABLE commit_time
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()
]])
