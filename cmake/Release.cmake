# The product's version and names live in product/release.txt alone. At
# configure time scripts/release.py turns them into the string bundle with its
# product entries and into VERSIONINFO resource scripts; CMake configures again
# when the release file, the script or the bundle changes.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TORVANE_RELEASE_FILE ${CMAKE_SOURCE_DIR}/product/release.txt)
set(TORVANE_RELEASE_PY ${CMAKE_SOURCE_DIR}/scripts/release.py)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${TORVANE_RELEASE_FILE} ${TORVANE_RELEASE_PY} ${CMAKE_SOURCE_DIR}/skin/lang/zh_CN.xml)

function(torvane_release)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${TORVANE_RELEASE_PY} ${ARGN}
                  RESULT_VARIABLE _failed ERROR_VARIABLE _error)
  if(_failed)
    message(FATAL_ERROR "${_error}")
  endif()
endfunction()

execute_process(COMMAND ${Python3_EXECUTABLE} ${TORVANE_RELEASE_PY} get ${TORVANE_RELEASE_FILE} Version
                OUTPUT_VARIABLE TORVANE_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE)

# The string bundle as the installer carries it (resource "LANG" 104).
set(TORVANE_BUNDLE_XML ${CMAKE_BINARY_DIR}/lang/zh_CN.xml)
torvane_release(bundle ${TORVANE_RELEASE_FILE} ${CMAKE_SOURCE_DIR}/skin/lang/zh_CN.xml ${TORVANE_BUNDLE_XML})

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
