# The Windows build the demo ships: 32-bit x86 (runs on every 32- and 64-bit Windows).
# cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORROW_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Scalar float and double arithmetic in SSE2, rounded to its type at every step as on x86-64, so the
# codec, the generator and the scenes compute the same bytes; long double stays the 80-bit x87 type.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
