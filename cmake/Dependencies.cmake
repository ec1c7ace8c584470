# Imported targets for the libraries that scripts/deps.sh cross-built into the cache.
set(_deps_file ${TORVANE_CACHE}/deps.cmake)
if(NOT EXISTS ${_deps_file})
  message(FATAL_ERROR "No ${_deps_file}: run scripts/setup.sh first (or set TORVANE_CACHE).")
endif()
include(${_deps_file})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_deps_file})

function(torvane_import name lib include)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${lib} INTERFACE_INCLUDE_DIRECTORIES ${include})
endfunction()

torvane_import(dep_pugixml ${TORVANE_PUGIXML_ROOT}/lib/libpugixml.a ${TORVANE_PUGIXML_ROOT}/include)
target_compile_definitions(dep_pugixml INTERFACE PUGIXML_WCHAR_MODE)

torvane_import(dep_jsoncpp ${TORVANE_JSONCPP_ROOT}/lib/libjsoncpp.a ${TORVANE_JSONCPP_ROOT}/include)

torvane_import(dep_zlib ${TORVANE_ZLIB_ROOT}/lib/libz.a ${TORVANE_ZLIB_ROOT}/include)
torvane_import(dep_minizip ${TORVANE_ZLIB_ROOT}/lib/libminizip.a ${TORVANE_ZLIB_ROOT}/include/minizip)
target_link_libraries(dep_minizip INTERFACE dep_zlib)

torvane_import(dep_crypto ${TORVANE_OPENSSL_ROOT}/lib/libcrypto.a ${TORVANE_OPENSSL_ROOT}/include)
target_link_libraries(dep_crypto INTERFACE ws2_32 crypt32 bcrypt)

torvane_import(dep_gtest ${TORVANE_GTEST_ROOT}/lib/libgtest.a ${TORVANE_GTEST_ROOT}/include)
torvane_import(dep_gtest_main ${TORVANE_GTEST_ROOT}/lib/libgtest_main.a ${TORVANE_GTEST_ROOT}/include)
target_link_libraries(dep_gtest_main INTERFACE dep_gtest)
torvane_import(dep_gmock ${TORVANE_GTEST_ROOT}/lib/libgmock.a ${TORVANE_GTEST_ROOT}/include)

# stb_image is header-only, from Debian's libstb-dev.
add_library(dep_stb INTERFACE)
target_include_directories(dep_stb SYSTEM INTERFACE /usr/include/stb)
