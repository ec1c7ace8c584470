# The product's version and names live in product/release.txt alone. At
# configure time scripts/release.py turns them into the string bundle with its
# product entries and into VERSIONINFO resource scripts; CMake configures again
# when the release file, the script or the bundle changes.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TORVANE_RELEASE_FILE ${CMAKE_SOURCE_DIR}/product/release.txt)
set(TORVANE_RELEASE_PY ${CMAKE_SOURCE_DIR}/scripts/release.py)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${TORVANE_RELEASE_FILE} ${TORVANE_RELEASE_PY} ${CMAKE_SOURCE_DIR}/skin/lang/languages.txt)
file(GLOB _bundle_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/skin/lang/*.xml)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_bundle_sources})

function(torvane_release)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${TORVANE_RELEASE_PY} ${ARGN}
                  RESULT_VARIABLE _failed ERROR_VARIABLE _error)
  if(_failed)
    message(FATAL_ERROR "${_error}")
  endif()
endfunction()

execute_process(COMMAND ${Python3_EXECUTABLE} ${TORVANE_RELEASE_PY} get ${TORVANE_RELEASE_FILE} Version
                OUTPUT_VARIABLE TORVANE_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE)

# The string bundles as the programs carry them (resource "LANG" 104, one per
# resource language) and the resource script that holds them.
set(TORVANE_STRINGS_RC ${CMAKE_BINARY_DIR}/strings.rc)
torvane_release(bundles ${TORVANE_RELEASE_FILE} ${CMAKE_SOURCE_DIR}/skin/lang/languages.txt
                ${CMAKE_SOURCE_DIR}/skin/lang ${CMAKE_BINARY_DIR}/lang ${TORVANE_STRINGS_RC})
file(STRINGS ${CMAKE_SOURCE_DIR}/skin/lang/languages.txt _language_lines REGEX "^[a-z]")
set(TORVANE_BUNDLE_XML "")
foreach(_line IN LISTS _language_lines)
  string(REGEX MATCH "^[a-zA-Z_]+" _language "${_line}")
  list(APPEND TORVANE_BUNDLE_XML ${CMAKE_BINARY_DIR}/lang/${_language}.xml)
endforeach()

# torvane_version_rc(VAR FILE_NAME DESCRIPTION_SUFFIX): VAR names a resource
# script with the version information of the program FILE_NAME.
function(torvane_version_rc var file_name suffix)
  set(_rc ${CMAKE_BINARY_DIR}/version/${file_name}.rc)
  set(_args --file ${file_name} "--suffix=${suffix}")
  torvane_release(version-rc ${TORVANE_RELEASE_FILE} ${_rc} ${_args})
  set_property(GLOBAL PROPERTY TORVANE_VERSION_RC_ARGS_${file_name} ${_args})
  set(${var} ${_rc} PARENT_SCOPE)
endfunction()

# What scripts/pack.sh needs to link an installer again with other resources:
# written into the build folder as shell assignments.
function(torvane_write_pack_recipe)
  get_property(_version_args GLOBAL PROPERTY TORVANE_VERSION_RC_ARGS_TorvaneSetup.exe)
  set(_sign "")
  foreach(a IN LISTS TORVANE_SIGN_ARGS)
    string(APPEND _sign " '${a}'")
  endforeach()
  set(_version "")
  foreach(a IN LISTS _version_args)
    string(APPEND _version " '${a}'")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/pack-recipe.sh CONTENT
"# Written by CMake for scripts/pack.sh.
source_dir='${CMAKE_SOURCE_DIR}'
epoch=${TORVANE_SOURCE_DATE_EPOCH}
python='${Python3_EXECUTABLE}'
rc_compiler='${CMAKE_RC_COMPILER}'
version_rc_args=(${_version})
sign_args=(${_sign})
")
endfunction()
