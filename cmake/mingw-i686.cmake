# i686 Windows build: the shipping installer. This machine cannot run it; it must build and link.
set(QY_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
