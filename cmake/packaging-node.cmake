# The Node package of the WASI build: the folder npm/ of the build holds
# package.json, the command's module logvane.mjs and logvane.wasm itself,
# which is built there; `npm pack` on it makes logvane-VERSION.tgz.

# The version lives in project(): package.json must say the same.
file(READ ${PROJECT_SOURCE_DIR}/npm/package.json LOGVANE_PACKAGE_JSON)
string(JSON LOGVANE_NODE_VERSION GET "${LOGVANE_PACKAGE_JSON}" version)
if(NOT LOGVANE_NODE_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "npm/package.json says version ${LOGVANE_NODE_VERSION},"
          " the project ${PROJECT_VERSION}")
endif()

set(LOGVANE_NODE_PACKAGE ${PROJECT_BINARY_DIR}/npm)
set_target_properties(logvane PROPERTIES
                      RUNTIME_OUTPUT_DIRECTORY ${LOGVANE_NODE_PACKAGE})
foreach(file package.json logvane.mjs)
  configure_file(${PROJECT_SOURCE_DIR}/npm/${file}
                 ${LOGVANE_NODE_PACKAGE}/${file} COPYONLY)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${LOGVANE_NODE_PACKAGE}/LICENSE
               COPYONLY)
