# vx_add_gtest(NAME SOURCES... LIBS ... [LABELS ...])
# One GoogleTest executable registered with ctest; each test case becomes a ctest test.
function(vx_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  include(GoogleTest)
  # The environment is given through `env` as the tests' launcher: properties
  # handed through gtest_discover_tests lose list separators.
  if(ARG_ENV)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "env;${ARG_ENV}")
  endif()
  if(ARG_LABELS)
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${ARG_LABELS}")
  else()
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# vx_add_bench(NAME SOURCES... LIBS ...): a Google Benchmark program under bench/.
function(vx_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# vx_add_fuzzer(NAME SOURCES... LIBS ... CORPUS dir [ENV VAR=value...]): a libFuzzer target in a
# fuzzing build (configured with clang and VX_BUILD_FUZZ); in an ordinary build with tests, a
# program of the same name that runs the entry point on every file of the corpus, registered
# with ctest as fuzz_corpus_NAME.
function(vx_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS;ENV" ${ARGN})
  if(VX_BUILD_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  else()
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/FuzzReplay.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME fuzz_corpus_${name}
             COMMAND ${CMAKE_COMMAND} -E env ${ARG_ENV} $<TARGET_FILE:${name}> ${ARG_CORPUS}
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(fuzz_corpus_${name} PROPERTIES LABELS fuzz)
  endif()
endfunction()
