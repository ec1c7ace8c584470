# Same commit, same bytes. Every time a build writes (the PE header's link time,
# the payload's file times) is SOURCE_DATE_EPOCH: the environment's, else the
# time of the commit checked out when CMake configured (a later commit takes
# effect when the build folder is configured again). The compiler records no
# source or build folder: both are mapped to fixed names.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TORVANE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE TORVANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT TORVANE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  set(TORVANE_SOURCE_DATE_EPOCH 0)
endif()

# ld takes the PE time stamp from the variable; it reaches the linker through a launcher.
foreach(_lang C CXX)
  set(CMAKE_${_lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TORVANE_SOURCE_DATE_EPOCH})
endforeach()

# The later map wins for a build folder inside the source folder.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=torvane>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=torvane-build>)
