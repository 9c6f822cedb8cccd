# Cross-compiling the Windows x86-64 program with mingw-w64 (posix threads model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MB_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${MB_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MB_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER  ${MB_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MB_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs every Windows executable through Wine in the build's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
