# The same code for 64-bit Windows, for running the Wine tests on machines that cannot execute
# 32-bit code (there the 32-bit Wine loader cannot start).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QT_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
