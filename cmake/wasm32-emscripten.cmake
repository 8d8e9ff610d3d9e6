# The WebAssembly build of the portable code (cmake/VelmorrowPortable.cmake) with Debian's emscripten,
# which works offline (its system libraries come prebuilt): the codec's and the generator's tests, run
# by CTest under node.
# cmake -S . -B build-wasm -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-emscripten.cmake -DVELMORROW_PORTABLE_DEMO=OFF

# The emitted .js runs under node. Node 20 has fetch, which emscripten's loader would then use to read
# the .wasm file (a path, not a URL); without it the loader reads the file itself. Set before the
# platform file, which would otherwise pick plain node.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Exceptions are on (emscripten leaves them off, and a throw then aborts). Its C++ library (libc++ 13)
# lacks std::bit_cast and the floating-point to_chars/from_chars: cmake/libcxx-compat.h fills them in.
# SIMD128 (in every current browser and node) gives the HWL decoder its simd128 path.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions -msimd128 -include ${CMAKE_CURRENT_LIST_DIR}/libcxx-compat.h")
set(CMAKE_C_FLAGS_INIT "-fexceptions -msimd128")
# Tests read and write real files (node's own file system) and grow their heap as they need; the web
# page (VELMORROW_WEB) runs in the browser, with files of its own (web/CMakeLists.txt).
if(VELMORROW_WEB)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions -sALLOW_MEMORY_GROWTH=1")
else()
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1")
endif()

# emcc's optimising link runs its JavaScript tools under node, which finds their modules (acorn) in the
# folder where Debian installs them only when told.
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
