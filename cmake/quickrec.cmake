include(GoogleTest)

# Our own code builds with every warning as an error; third-party headers are system includes.
function(quickrec_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# quickrec_unit_test(<name> SOURCES ... LIBS ...): one GoogleTest binary, each case a ctest test
# labelled "unit".
function(quickrec_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  quickrec_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS unit TIMEOUT 120 DISCOVERY_TIMEOUT 60)
endfunction()

# quickrec_integration_test(<name> SOURCES ... LIBS ... [TIMEOUT s]): real processes on loopback.
function(quickrec_integration_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  quickrec_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUICKREC_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    QUICKREC_LIB_DIR="${CMAKE_BINARY_DIR}/lib" QUICKREC_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} PROPERTIES LABELS integration TIMEOUT ${T_TIMEOUT} DISCOVERY_TIMEOUT 60)
endfunction()
