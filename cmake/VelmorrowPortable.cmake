# What the portable build has of its own (the plan is the top level's CMakeLists.txt): the code that needs
# nothing but the C++ standard library, for targets whose SDL2, GTK, mpg123, LAME and OpenGL the build
# machine lacks. 64-bit ARM (cmake/aarch64-linux-gnu.cmake) and WebAssembly (cmake/wasm32-emscripten.cmake)
# build it, and CTest runs its tests under their emulators (qemu-user, node), so the codec's and the
# generator's bytes are checked on processors whose long double and vector units differ from x86-64's.
#
# Built: the codec, the maths and the generator with their unit tests; with VELMORROW_PORTABLE_DEMO, the
# demo's libraries (engine, scenes, shell) on the headless platform backend (platform/headless/: no window
# system, dialog or sound) with their unit and GL-trace tests, which draw into the tests' GL call
# recorder (GL/gl.h and GL/glu.h are the host's, the same on every processor). No programs, tools or
# benchmarks; tests/CMakeLists.txt chooses the tests.

option(VELMORROW_PORTABLE_DEMO "Also build the demo's libraries (engine, scenes, shell) and their tests" ON)
# The demo as a web page (emscripten only): the browser backend (platform/web), our own OpenGL on WebGL 2
# and the page (web/, added by the top level), in place of the headless backend.
option(VELMORROW_WEB "Build the demo's web page (emscripten)" OFF)
if(VELMORROW_WEB)
  set(VELMORROW_PORTABLE_DEMO ON)
  set(velmorrow_gl_libraries gl_layer)  # our own OpenGL 1.1 on WebGL 2 (platform/web/gl)
else()
  set(velmorrow_gl_libraries "")  # nothing here links libGL: only executables that link the recorder draw
endif()
set(velmorrow_demo_libraries ${VELMORROW_PORTABLE_DEMO})
