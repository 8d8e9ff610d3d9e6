# Helpers shared by every folder's CMakeLists.txt.

# velmorrow_library(NAME SOURCES...): one static library per folder; includes are rooted at the
# source tree, so code says #include "hwl/hwl.h".
function(velmorrow_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# velmorrow_test(NAME SOURCES files... LIBS libs... LABELS labels... [TIMEOUT s] [SERIAL])
# A GoogleTest executable whose cases CTest runs one by one, with the given labels
# (unit, gltrace, render, e2e, slow). Tests run in the build directory. SERIAL keeps CTest from running
# anything beside them: for tests that measure real time against the wall clock.
function(velmorrow_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  if(gl_recorder IN_LIST T_LIBS)
    set_target_properties(${name} PROPERTIES VELMORROW_GL_RECORDER ON)
  endif()
  target_compile_definitions(${name} PRIVATE
    VELMORROW_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORROW_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) every start costs: the executable runs once, all its cases together.
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT} RUN_SERIAL ${T_SERIAL})
    return()
  endif()
  set(first_label "")
  if(T_LABELS)
    list(GET T_LABELS 0 first_label)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    PROPERTIES LABELS "${first_label}" TIMEOUT ${T_TIMEOUT} RUN_SERIAL ${T_SERIAL})
  # The discovered tests take one value per property, so several labels are set by a script that CTest
  # runs after the discovery has defined the tests (listed in <name>_TESTS).
  if(T_LABELS MATCHES ";")
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${script}
      "foreach(test IN LISTS ${name}_TESTS)\n  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${T_LABELS}\")\nendforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()

# velmorrow_bench(NAME SOURCES files... LIBS libs...): a Google Benchmark executable. Benchmarks compare
# against a peer in the same run and check their output before they time; they are run by hand
# (build-test/bench/NAME), not by CTest.
function(velmorrow_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_compile_definitions(${name} PRIVATE
    VELMORROW_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORROW_BINARY_DIR="${PROJECT_BINARY_DIR}")
endfunction()

# velmorrow_fuzz_target(NAME SOURCES files... LIBS libs... [SEEDS dir]): a libFuzzer target. Built only
# by clang in the sanitizer build; CTest (label fuzz) runs it for VELMORROW_FUZZ_SECONDS on a corpus in
# the build tree, starting from the seed folder if one is given.
set(VELMORROW_FUZZ_SECONDS 60 CACHE STRING "How long CTest runs each fuzz target")
function(velmorrow_fuzz_target name)
  cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBS" ${ARGN})
  if(NOT (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND VELMORROW_SANITIZE))
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
    COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run-fuzzer $<TARGET_FILE:${name}> ${corpus} ${VELMORROW_FUZZ_SECONDS} ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()
