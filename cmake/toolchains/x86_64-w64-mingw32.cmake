# Cross-compiling for Windows x64 with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64). The posix thread
# model is the one whose C++ library has std::thread, std::mutex and
# std::condition_variable. Programs built here run on Linux through Wine,
# which CTest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
