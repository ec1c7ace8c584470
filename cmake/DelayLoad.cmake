# torvane_delay_load(TARGET [USED_THUNKS] DLL...): the program's imports of these system DLLs
# (by import-library name, as linked: gdiplus, wininet, comctl32 ...) are delay-loaded, so that
# they are loaded on first use, after the entry has restricted the library search
# (win::RestrictLibrarySearch), and always from the system folder (the hooks in
# win/delay_load_hooks.cpp). A library or function that cannot be loaded ends the
# program with a message that names it, and exit code 126 or 127.
#
# How: a delay-import library is made once per DLL at configure time
# (cmake/make_delay_lib.py, with dlltool), with a linker script that stands in for
# it under the system library's name. The program's link searches the target's own
# folder of those scripts first, so -lgdiplus binds to the delay-import thunks.
# Other programs keep the ordinary imports. The script keeps every function's
# thunk (a few tens of KB for gdiplus): see make_delay_lib.py for why. With
# USED_THUNKS the script names the archive only: for a target linked by
# scripts/link_live_unwind.py, which asks for the thunks of the functions the
# program imports.

find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(_torvane_delay_script ${CMAKE_CURRENT_LIST_DIR}/make_delay_lib.py)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_torvane_delay_script})

# The linker script for DLL in OUT_VAR, made with its archive when missing or out of date.
function(_torvane_delay_import_lib dll out_var)
  find_library(_import_lib NAMES ${dll} NO_CACHE REQUIRED)
  set(archive ${CMAKE_BINARY_DIR}/delayload/all/lib${dll}-delay.a)
  set(made ${CMAKE_BINARY_DIR}/delayload/all/lib${dll}.ld)
  set(input_only ${CMAKE_BINARY_DIR}/delayload/all/lib${dll}-input.ld)
  if(NOT EXISTS ${made} OR NOT EXISTS ${input_only} OR ${_torvane_delay_script} IS_NEWER_THAN ${made} OR ${_import_lib} IS_NEWER_THAN ${made})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayload/all)
    execute_process(
      COMMAND ${Python3_EXECUTABLE} ${_torvane_delay_script} ${CMAKE_NM} ${CMAKE_DLLTOOL} ${_import_lib} ${archive} ${made} ${input_only}
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      file(REMOVE ${made} ${input_only} ${archive})
      message(FATAL_ERROR "torvane_delay_load: could not make the delay-import library of ${dll}")
    endif()
  endif()
  set(${out_var} ${made} PARENT_SCOPE)
  set(${out_var}_INPUT_ONLY ${input_only} PARENT_SCOPE)
endfunction()

function(torvane_delay_load target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "USED_THUNKS" "" "")
  set(dir ${CMAKE_BINARY_DIR}/delayload/${target})
  file(MAKE_DIRECTORY ${dir})
  foreach(dll IN LISTS arg_UNPARSED_ARGUMENTS)
    _torvane_delay_import_lib(${dll} made)
    string(REGEX REPLACE "\\.ld$" "-delay.a" archive ${made})
    if(arg_USED_THUNKS)
      set(made ${made_INPUT_ONLY})
    endif()
    file(COPY_FILE ${made} ${dir}/lib${dll}.a ONLY_IF_DIFFERENT)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${dir}/lib${dll}.a ${archive})
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  target_link_libraries(${target} PRIVATE torvane_delay_hooks)
endfunction()
