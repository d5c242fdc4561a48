find_package(GTest REQUIRED)
include(GoogleTest)

# kelno_add_gtest(<name> SOURCES ... LIBS ... LABELS unit|integration|e2e
#                 [SANITIZE address-undefined thread] [TIMEOUT s])
# SANITIZE names the sanitizer runs the test belongs to; in a sanitizer
# build every other test is skipped at configure time.
function(kelno_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;SANITIZE" ${ARGN})
  if(KELNO_SANITIZER_SUBSET AND NOT KELNO_SANITIZER IN_LIST T_SANITIZE)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kelno_test_support GTest::gmock GTest::gtest_main)
  kelno_target_warnings(${name})
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
endfunction()
