# Imported targets for every library the product uses, the same names in all builds:
#   qy::zlib qy::minizip qy::tinyxml qy::json qy::curl qy::md5 GTest::gtest GTest::gmock
if(WIN32)
  set(_p ${QY_WIN_DEPS_PREFIX})
  if(NOT EXISTS ${_p}/lib/libcurl.a)
    message(FATAL_ERROR "Windows dependencies missing in ${_p}; run scripts/build-win-deps.sh")
  endif()
  find_library(QY_ZLIB_LIB NAMES libz.a REQUIRED)
  add_library(qy::zlib STATIC IMPORTED)
  set_target_properties(qy::zlib PROPERTIES IMPORTED_LOCATION ${QY_ZLIB_LIB})

  add_library(qy::minizip STATIC IMPORTED)
  set_target_properties(qy::minizip PROPERTIES IMPORTED_LOCATION ${_p}/lib/libminizip.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include INTERFACE_LINK_LIBRARIES qy::zlib)

  add_library(qy::tinyxml STATIC IMPORTED)
  set_target_properties(qy::tinyxml PROPERTIES IMPORTED_LOCATION ${_p}/lib/libtinyxml.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)

  add_library(qy::nghttp2 STATIC IMPORTED)
  set_target_properties(qy::nghttp2 PROPERTIES IMPORTED_LOCATION ${_p}/lib/libnghttp2.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include INTERFACE_COMPILE_DEFINITIONS NGHTTP2_STATICLIB)

  add_library(qy::curl STATIC IMPORTED)
  set_target_properties(qy::curl PROPERTIES IMPORTED_LOCATION ${_p}/lib/libcurl.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
    INTERFACE_LINK_LIBRARIES "qy::nghttp2;qy::zlib;ws2_32;crypt32;secur32;bcrypt;advapi32;normaliz;iphlpapi")

  # MD5 from the system: CNG, loaded from the system folder at run time (nothing to link).
  add_library(qy::md5 INTERFACE IMPORTED)

  # nlohmann JSON is header-only: Debian's headers serve both builds.
  add_library(qy::json INTERFACE IMPORTED)
  set_target_properties(qy::json PROPERTIES INTERFACE_COMPILE_DEFINITIONS QY_JSON_SYSTEM_HEADERS)
  find_path(QY_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  # Only the nlohmann folder of the native include tree is exposed to the cross compiler.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
  file(CREATE_LINK ${QY_JSON_DIR}/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
  set_target_properties(qy::json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/json-include)

  add_library(GTest::gtest STATIC IMPORTED)
  set_target_properties(GTest::gtest PROPERTIES IMPORTED_LOCATION ${_p}/lib/libgtest.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include)
  add_library(GTest::gtest_main STATIC IMPORTED)
  set_target_properties(GTest::gtest_main PROPERTIES IMPORTED_LOCATION ${_p}/lib/libgtest_main.a
    INTERFACE_LINK_LIBRARIES GTest::gtest)
  add_library(GTest::gmock STATIC IMPORTED)
  set_target_properties(GTest::gmock PROPERTIES IMPORTED_LOCATION ${_p}/lib/libgmock.a
    INTERFACE_INCLUDE_DIRECTORIES ${_p}/include INTERFACE_LINK_LIBRARIES GTest::gtest)
else()
  find_package(PkgConfig REQUIRED)
  find_package(ZLIB REQUIRED)
  add_library(qy::zlib ALIAS ZLIB::ZLIB)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(qy::minizip ALIAS PkgConfig::MINIZIP)
  find_library(QY_TINYXML_LIB tinyxml REQUIRED)
  add_library(qy::tinyxml UNKNOWN IMPORTED)
  set_target_properties(qy::tinyxml PROPERTIES IMPORTED_LOCATION ${QY_TINYXML_LIB}
    INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
  find_package(nlohmann_json REQUIRED)
  add_library(qy::json ALIAS nlohmann_json::nlohmann_json)
  find_package(CURL REQUIRED)
  add_library(qy::curl ALIAS CURL::libcurl)
  find_package(OpenSSL REQUIRED)
  add_library(qy::md5 ALIAS OpenSSL::Crypto)
  find_package(GTest REQUIRED)
endif()
