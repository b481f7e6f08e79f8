# Shared by the two cross-compiling toolchains (i686-w64-mingw32.cmake for
# the 32-bit module we ship, x86_64-w64-mingw32.cmake for its 64-bit twin):
# Windows with mingw-w64 (posix threads, which GoogleTest's std::mutex
# needs), and libjpeg-turbo cross-built for the same triple in the toolbox.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(MINGW_JPEG_PREFIX /opt/libjpeg-${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${MINGW_JPEG_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
