# Build of the program for the web page, to WebAssembly, with Debian's Emscripten:
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake
# Emscripten's own platform file sets the compilers and its system root. The header-only
# packages (CLI11, nlohmann_json) keep their CMake files in /usr/share/cmake and their headers in
# /usr/include, which is searched after Emscripten's own headers (-idirafter), never before them.
# Exceptions are WebAssembly's own, which need no JavaScript around every call.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

list(APPEND CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(CMAKE_C_FLAGS_INIT "-idirafter /usr/include -fwasm-exceptions")
set(CMAKE_CXX_FLAGS_INIT "-idirafter /usr/include -fwasm-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions")
