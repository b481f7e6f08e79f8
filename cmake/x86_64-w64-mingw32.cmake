# Cross-compiling toolchain: 64-bit Windows, the module's 64-bit twin (and
# the build tools that run under Wine, so that building runs no 32-bit code).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
