# Small self-contained Windows programs and DLLs that every Windows build needs for a given
# architecture, whatever its own: the 64-bit registration helper in the 32-bit build, the 32-bit
# shell extension of the sample product in the 64-bit build. In the build's own architecture they
# are ordinary targets; in the other one the other MinGW-w64 compiler builds them in one step.
#
#   qy_arch_binary(<target> ARCH x86_64|i686 KIND gui|console|dll OUTPUT <path without suffix>
#                  SOURCES <files...> [HEADERS <files...>] [LIBS <system libraries...>])
# <target>_FILE is set in the caller's scope to the file the target makes.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QY_OWN_ARCH x86_64)
else()
  set(QY_OWN_ARCH i686)
endif()

function(qy_arch_binary target)
  cmake_parse_arguments(A "" "ARCH;KIND;OUTPUT" "SOURCES;LIBS;HEADERS" ${ARGN})
  if(A_KIND STREQUAL "dll")
    set(file ${A_OUTPUT}.dll)
  else()
    set(file ${A_OUTPUT}.exe)
  endif()
  get_filename_component(dir ${file} DIRECTORY)
  get_filename_component(name ${A_OUTPUT} NAME)
  set(${target}_FILE ${file} PARENT_SCOPE)

  if(A_ARCH STREQUAL QY_OWN_ARCH)
    if(A_KIND STREQUAL "dll")
      add_library(${target} SHARED ${A_SOURCES})
      # Undecorated export names in the 32-bit build too, as GetProcAddress callers expect.
      target_link_options(${target} PRIVATE -Wl,--kill-at)
      set_target_properties(${target} PROPERTIES PREFIX "")
    elseif(A_KIND STREQUAL "gui")
      add_executable(${target} WIN32 ${A_SOURCES})
      target_link_options(${target} PRIVATE -municode)
    else()
      add_executable(${target} ${A_SOURCES})
      target_link_options(${target} PRIVATE -municode)
    endif()
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} RUNTIME_OUTPUT_DIRECTORY ${dir})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    if(A_LIBS)
      target_link_libraries(${target} PRIVATE ${A_LIBS})
    endif()
    return()
  endif()

  set(sources "")
  foreach(source ${A_SOURCES})
    get_filename_component(path ${source} ABSOLUTE)
    list(APPEND sources ${path})
  endforeach()
  set(flags -std=c++17 -O2 -Wall -Wextra -Wno-unused-parameter -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601
    -DWINVER=0x0601 -DNOMINMAX -I${PROJECT_SOURCE_DIR}/src -static -static-libgcc -static-libstdc++ -s)
  if(A_KIND STREQUAL "dll")
    list(APPEND flags -shared -Wl,--kill-at)
  elseif(A_KIND STREQUAL "gui")
    list(APPEND flags -municode -mwindows)
  else()
    list(APPEND flags -municode)
  endif()
  set(libs "")
  foreach(lib ${A_LIBS})
    list(APPEND libs -l${lib})
  endforeach()
  add_custom_command(OUTPUT ${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${A_ARCH}-w64-mingw32-g++-posix ${flags} -o ${file} ${sources} ${libs}
    DEPENDS ${sources} ${A_HEADERS}
    COMMENT "Building ${name} for ${A_ARCH}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${file})
endfunction()
