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

# pugixml and JsonCpp are compiled here from the sources scripts/deps.sh fetched (its
# install folder and source folder share a name), with our flags (-Os, one section
# per function).
#
# The linker drops an unused function only when nothing refers to it, and on this
# target the exception tables (.eh_frame, kept whole) refer to every function compiled
# with them. Code that throws nothing is compiled without them so that its unused
# functions do go.
set(TORVANE_NO_UNWIND_FLAGS -fno-exceptions -fno-asynchronous-unwind-tables)
function(torvane_source_of var root)
  get_filename_component(_name ${root} NAME)
  set(${var} ${TORVANE_CACHE}/src/${_name} PARENT_SCOPE)
endfunction()

torvane_source_of(_pugixml_src ${TORVANE_PUGIXML_ROOT})
add_library(dep_pugixml STATIC ${_pugixml_src}/src/pugixml.cpp)
target_include_directories(dep_pugixml SYSTEM PUBLIC ${_pugixml_src}/src)
# Without exceptions (failures are return values, as everywhere in our code) and
# without its std::string and stream overloads, which no one calls, nor XPath
# (queries are walked by hand; the XPath engine was a fifth of the library).
target_compile_definitions(dep_pugixml PUBLIC PUGIXML_WCHAR_MODE PUGIXML_NO_EXCEPTIONS PUGIXML_NO_STL
  PUGIXML_NO_XPATH)
target_compile_options(dep_pugixml PRIVATE -w ${TORVANE_NO_UNWIND_FLAGS})

# json_value.cpp includes <iostream> without using it; its static initialiser alone
# would bring the standard console streams. Its guard is set while JsonCpp compiles
# (with exceptions on, JsonCpp never writes to std::cerr). Its assertions are
# replaced by stream-free ones (cmake/jsoncpp_assertions.h), and Value keeps no
# reference to the writer (cmake/jsoncpp_value_without_writer.h).
torvane_source_of(_jsoncpp_src ${TORVANE_JSONCPP_ROOT})
add_library(dep_jsoncpp STATIC ${_jsoncpp_src}/src/lib_json/json_reader.cpp
            ${_jsoncpp_src}/src/lib_json/json_value.cpp ${_jsoncpp_src}/src/lib_json/json_writer.cpp)
target_include_directories(dep_jsoncpp SYSTEM PUBLIC ${TORVANE_JSONCPP_ROOT}/include)
target_include_directories(dep_jsoncpp PRIVATE ${_jsoncpp_src}/src/lib_json)
target_compile_definitions(dep_jsoncpp PRIVATE _GLIBCXX_IOSTREAM)
target_compile_options(dep_jsoncpp PRIVATE -w -include ${CMAKE_CURRENT_LIST_DIR}/jsoncpp_assertions.h)
set_source_files_properties(${_jsoncpp_src}/src/lib_json/json_value.cpp PROPERTIES
  COMPILE_OPTIONS "-include;${CMAKE_CURRENT_LIST_DIR}/jsoncpp_value_without_writer.h")

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
