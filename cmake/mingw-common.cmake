# Shared part of the MinGW-w64 toolchains. QY_TRIPLET is set by the including file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QY_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QY_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QY_TRIPLET}-windres)

# Libraries cross-compiled by scripts/build-win-deps.sh.
if(DEFINED ENV{QUILLY_DEPS_CACHE})
  set(QY_DEPS_CACHE $ENV{QUILLY_DEPS_CACHE})
else()
  set(QY_DEPS_CACHE $ENV{HOME}/.cache/quilly-deps)
endif()
set(QY_WIN_DEPS_PREFIX ${QY_DEPS_CACHE}/${QY_TRIPLET}/prefix CACHE PATH "Cross-compiled dependencies")

set(CMAKE_FIND_ROOT_PATH /usr/${QY_TRIPLET} ${QY_WIN_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
