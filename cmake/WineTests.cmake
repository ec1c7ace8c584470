# Tests are Windows programs: ctest runs them through Wine in a 64-bit prefix of
# this build folder, so a 32-bit test sees 64-bit Windows through WoW64.
set(TORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the tests run in")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

include(GoogleTest)

# torvane_add_gtest(NAME SOURCES ... LIBS ... [RESOURCES rc...] [PROPERTIES ctest properties...])
function(torvane_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;RESOURCES;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
  target_link_libraries(${name} PRIVATE torvane_options ${T_LIBS} dep_gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 600
                       PROPERTIES TIMEOUT 300 LABELS wine ${T_PROPERTIES})
endfunction()
