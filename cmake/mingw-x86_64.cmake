# x86_64 Windows build: everything, its tests run under wine64.
set(QY_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
