#pragma once
// The stages of the HWL decoder (hwl.h), for callers that want them one by one: the tests that pin each
// stage's bytes, and tools that look inside a file. hwlDecode runs them in this order. Planes are
// row-major with the row stride given (width for whole planes); absent planes and tables are empty spans
// and null pointers. Failures are HwlError, as for the whole-picture calls.

#include "hwl/hwl.h"

#include <cstdint>
#include <span>
#include <string>

namespace hwl {

// Reads the 36 header bytes of a file.
void hwlReadHeader(const std::string& fileName, HwlHeader& header);

// Reads a file's header, tables and streams and fills the coefficient planes (width * height each,
// checked against the file's header) and the tables; the 8-bit case uses plane 1 and table 1 only.
void hwlReadPlanes(const std::string& fileName, std::span<std::int32_t> plane1, std::span<std::int32_t> plane2,
                   std::span<std::int32_t> plane3, HwlTable* table1, HwlTable* table2, HwlTable* table3);

// Expands unpacked symbols (one per byte, 0 to 3) and values (one per byte) into a plane of
// width * height coefficients, stopping at the end of the plane or of either stream; coefficients no
// symbol reached are left as they were. lastLevel is not used.
void hwlExpandPlane(std::span<std::int32_t> plane, std::span<const std::uint8_t> symbols,
                    std::span<const std::uint8_t> values, int width, int height, int lastLevel, int valueBits);

// Integer coefficients times 1 / (table entry) of their group, into a real plane.
void hwlDequantise(std::span<const std::int32_t> integers, std::span<double> reals, int width, int height,
                   int lastLevel, const HwlTable& table);
void hwlDequantise3(std::span<const std::int32_t> integers1, std::span<const std::int32_t> integers2,
                    std::span<const std::int32_t> integers3, std::span<double> reals1, std::span<double> reals2,
                    std::span<double> reals3, int width, int height, int lastLevel, const HwlTable& table1,
                    const HwlTable& table2, const HwlTable& table3);

// Inverse transform of the w x h region of a plane with row stride W and H rows, levels 0 to L; the
// source's coarser quadrants are rebuilt in place on the way. Source and destination may be the same.
void hwlInverse(std::span<double> source, std::span<double> destination, int w, int h, int W, int H, int L);
// Inverse of the three planes Y, U, V and conversion to red, green and blue planes.
void hwlInverseYuv(std::span<double> source1, std::span<double> source2, std::span<double> source3,
                   std::span<double> red, std::span<double> green, std::span<double> blue, int w, int h, int W, int H,
                   int L);

// Stores a reconstructed grey plane as width * height bytes, or red, green and blue planes as
// width * height blue, green, red, 0 pixels.
void hwlStoreGrey(std::span<const double> plane, std::span<std::uint8_t> pixels, int width, int height);
void hwlStoreBgr(std::span<const double> red, std::span<const double> green, std::span<const double> blue,
                 std::span<std::uint8_t> pixels, int width, int height);

// One sample's byte: not above 0 gives 0, not below 255 gives 255, otherwise nearest, ties to even.
std::uint8_t hwlStoreSample(double v);

}  // namespace hwl
