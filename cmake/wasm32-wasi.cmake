# Builds logvane.wasm, a WASI program, with Debian's clang 14 and wasi-libc
# (packages clang, lld, wasi-libc, libc++-dev-wasm32, libc++abi-14-dev-wasm32,
# libclang-rt-dev-wasm32):
#   cmake -S . -B build-wasm -DCMAKE_BUILD_TYPE=Release \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake
# The module runs under Node through tools/run-wasi, as the tests do.

set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# Platform/WASI.cmake, for CMake versions that have none.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# SIMD128 classifies 16 bytes at a time; every engine Node 20 runs has it.
# Debian's libc++ for WASI is built without exceptions, and logvane throws
# none: code that could throw (the tests' strings) must not ask for them.
set(CMAKE_C_FLAGS_INIT -msimd128)
set(CMAKE_CXX_FLAGS_INIT "-msimd128 -fno-exceptions")
# wasm-ld gives the stack 64 KiB unless told: too little for the run's
# buffers, which overrun it at run time, not at build. Debian's wasi-libc
# and libc++ carry debugging sections, a third of the module: left out.
# -O0 on the link line, after the build type's -O3, keeps clang from running
# binaryen's wasm-opt on the linked module (the code is compiled optimised
# all the same). Its inliner folds each function called from one place into
# the caller, which made the whole conversion one function called once a
# run; V8 gives a running call its optimised code only at the next call, so
# the first log of a page or of a process ran on baseline code throughout.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-Wl,-z,stack-size=1048576 -Wl,--strip-debug -O0")

# wasi-libc's headers and libraries sit in wasm32-wasi folders under /usr.
set(CMAKE_FIND_ROOT_PATH /usr/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/run-wasi)
