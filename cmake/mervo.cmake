# mervo_library(name SOURCES ... DEPS ...): one static library per layer or subsystem,
# with src/ as the include root so headers are named "core/date.h", "storage/table.h".
function(mervo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# mervo_test(name SOURCES ... DEPS ...): a GoogleTest binary, each test case registered with CTest.
function(mervo_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} mervo_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE MERVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    MERVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
