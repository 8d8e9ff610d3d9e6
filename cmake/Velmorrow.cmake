# Helpers shared by every folder's CMakeLists.txt.

# velmorrow_library(NAME SOURCES...): one static library per folder; includes are rooted at the
# source tree, so code says #include "hwl/hwl.h".
function(velmorrow_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# velmorrow_test(NAME SOURCES files... LIBS libs... LABELS labels...)
# A GoogleTest executable whose cases CTest runs one by one, with the given labels
# (unit, gltrace, render, e2e, slow). Tests run in the build directory.
function(velmorrow_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
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
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()
