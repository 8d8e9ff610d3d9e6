# The portable build: the code that needs nothing but the C++ standard library, for targets whose SDL2,
# GTK, mpg123, LAME and OpenGL the build machine lacks. 64-bit ARM (cmake/aarch64-linux-gnu.cmake) and
# WebAssembly (cmake/wasm32-emscripten.cmake) build it, and CTest runs its tests under their emulators
# (qemu-user, node), so the codec's and the generator's bytes are checked on processors whose long
# double and vector units differ from x86-64's.
#
# Built: the codec, the maths and the generator with their unit tests; with VELMORROW_PORTABLE_DEMO, the
# demo's libraries (engine, scenes, shell) on the headless platform backend (no window system, dialog or
# sound) with their unit and GL-trace tests, which draw into the tests' GL call recorder (GL/gl.h and
# GL/glu.h are the host's, the same on every processor). No programs, tools or benchmarks.

option(VELMORROW_PORTABLE_DEMO "Also build the demo's libraries (engine, scenes, shell) and their tests" ON)
# The demo as a web page (emscripten only): the browser backend (platform/web), our own OpenGL on WebGL 2
# and the page (web/), in place of the headless backend.
option(VELMORROW_WEB "Build the demo's web page (emscripten)" OFF)
if(VELMORROW_WEB)
  set(VELMORROW_PORTABLE_DEMO ON)
endif()

find_package(Threads REQUIRED)

add_subdirectory(maths)
add_subdirectory(hwl)
add_subdirectory(generator)
set(portable_test_dirs hwl maths generator)

if(VELMORROW_PORTABLE_DEMO)
  # Nothing here links libGL: only executables that link the recorder draw.
  add_library(velmorrow_gl INTERFACE)
  target_link_libraries(velmorrow_gl INTERFACE "$<$<BOOL:$<TARGET_PROPERTY:VELMORROW_GL_RECORDER>>:gl_recorder>"
    "$<$<BOOL:$<TARGET_PROPERTY:VELMORROW_GL_LAYER>>:gl_layer>")
  add_subdirectory(resources)
  add_subdirectory(platform)
  add_subdirectory(engine)
  add_subdirectory(scenes)
  add_subdirectory(shell)
  list(APPEND portable_test_dirs engine scenes shell)
  if(VELMORROW_WEB)
    enable_testing()  # the page's tests (label web)
    add_subdirectory(web)
  endif()
endif()

if(VELMORROW_TESTS)
  enable_testing()
  # GoogleTest from Debian's sources, built with the cross compiler (emscripten's without threads).
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  if(EMSCRIPTEN)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  endif()
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Third-party code, built without our -Werror (GCC 12 at -O3 warns falsely in its string code).
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -w)
  endforeach()

  add_library(test_process STATIC tests/support/process.cpp tests/support/files.cpp tests/support/flat_hwl.cpp
    tests/support/environment_posix.cpp)
  target_include_directories(test_process PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(test_process PRIVATE
    VELMORROW_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORROW_BINARY_DIR="${PROJECT_BINARY_DIR}")

  if(VELMORROW_PORTABLE_DEMO)
    add_library(gl_recorder STATIC tests/support/gl_recorder.cpp)
    target_include_directories(gl_recorder PUBLIC ${PROJECT_SOURCE_DIR})
  endif()

  foreach(dir IN LISTS portable_test_dirs)
    if(EXISTS ${PROJECT_SOURCE_DIR}/tests/${dir}/CMakeLists.txt)
      add_subdirectory(tests/${dir} ${PROJECT_BINARY_DIR}/tests/${dir})
    endif()
  endforeach()
endif()
