# Cross toolchain: Windows x86-64 with the posix thread model of mingw-w64 (std::mutex and
# std::thread exist only there), run and tested under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QS_MINGW_PREFIX}-windres)
set(CMAKE_AR ${QS_MINGW_PREFIX}-ar CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB ${QS_MINGW_PREFIX}-ranlib CACHE FILEPATH "" FORCE)

set(CMAKE_FIND_ROOT_PATH /usr/${QS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests and benchmarks are Windows programs: ctest starts them through Wine.
find_program(QS_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QS_WINE})
