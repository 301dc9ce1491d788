# WASI, for CMake versions that do not know it yet (before 3.31): programs
# are WebAssembly modules named *.wasm, libraries static archives.
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
set(CMAKE_STATIC_LIBRARY_PREFIX lib)
set(CMAKE_STATIC_LIBRARY_SUFFIX .a)
