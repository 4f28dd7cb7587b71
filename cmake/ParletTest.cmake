# parlet_add_test(<name> LABELS <labels...> SOURCES <files...> LIBS <libs...>
#                 [PROPERTIES <ctest properties...>])
# One GoogleTest program; every test case in it becomes a CTest test with the
# given labels. The sanitizer options are exported by the test command.
find_package(GTest REQUIRED)
include(GoogleTest)

function(parlet_add_test name)
  cmake_parse_arguments(T "" "" "LABELS;SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ${T_PROPERTIES})
endfunction()
