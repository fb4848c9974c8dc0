# Shared by the mingw-w64 toolchain files: set QT_MINGW_TRIPLE before including this. The posix
# thread model gives std::thread and std::mutex; tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test)
