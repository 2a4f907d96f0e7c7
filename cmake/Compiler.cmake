# Warnings, sanitizers and Windows link settings for every target of the project.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  # Nothing but system DLLs beside the executables.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Shipped executables carry no symbols: the installer's size is what users download.
  add_link_options($<$<CONFIG:Release>:-s>)
else()
  option(QY_SANITIZE "Build with sanitizers (QY_SANITIZER chooses which)" ON)
  # address: AddressSanitizer and UndefinedBehaviorSanitizer; thread: ThreadSanitizer alone, as it
  # cannot be combined with AddressSanitizer (scripts/tsan.sh).
  set(QY_SANITIZER address CACHE STRING "Sanitizers of a QY_SANITIZE build: address or thread")
  set_property(CACHE QY_SANITIZER PROPERTY STRINGS address thread)
  if(QY_SANITIZE AND QY_SANITIZER STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  elseif(QY_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Fuzz builds (clang, QY_FUZZ, see fuzz/): coverage for libFuzzer and the sanitizers on every target,
# so the libraries under test are instrumented too; the fuzz targets link the fuzzer's main.
if(QY_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
