#include "hwl/hwl.h"

namespace hwl {

namespace {

void put16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }
std::uint32_t get32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

}  // namespace

std::array<std::uint8_t, hwlHeaderSize> packHeader(const HwlHeader& header) {
  std::array<std::uint8_t, hwlHeaderSize> bytes{};
  for (int i = 0; i < 3; ++i) bytes[i] = static_cast<std::uint8_t>(header.magic[i]);
  put16(&bytes[3], header.width);
  put16(&bytes[5], header.height);
  bytes[7] = header.bitsPerPixel;
  bytes[8] = header.lastLevel;
  for (int p = 0; p < 3; ++p) {
    put32(&bytes[9 + 4 * p], header.symbolCount[p]);
    put32(&bytes[21 + 4 * p], header.valueCount[p]);
    bytes[33 + p] = header.valueBits[p];
  }
  return bytes;
}

HwlHeader unpackHeader(std::span<const std::uint8_t, hwlHeaderSize> bytes) {
  HwlHeader header;
  for (int i = 0; i < 3; ++i) header.magic[i] = static_cast<char>(bytes[i]);
  header.width = get16(&bytes[3]);
  header.height = get16(&bytes[5]);
  header.bitsPerPixel = bytes[7];
  header.lastLevel = bytes[8];
  for (int p = 0; p < 3; ++p) {
    header.symbolCount[p] = get32(&bytes[9 + 4 * p]);
    header.valueCount[p] = get32(&bytes[21 + 4 * p]);
    header.valueBits[p] = bytes[33 + p];
  }
  return header;
}

int decodedPlaneCount(const HwlHeader& header) {
  if (header.width == 0 || header.height == 0) return 0;
  if (header.bitsPerPixel == 8) return 1;
  if (header.bitsPerPixel == 24) return 3;
  return 0;
}

std::size_t pixelBufferSize(const HwlHeader& header) {
  const std::size_t pixels = std::size_t{header.width} * header.height;
  if (header.bitsPerPixel == 8) return pixels;
  if (header.bitsPerPixel == 24) return pixels * 4;
  return 0;
}

std::size_t symbolStreamSize(std::uint32_t symbolCount) { return symbolCount / 4 + (symbolCount % 4 != 0 ? 1 : 0); }

std::size_t valueStreamSize(std::uint32_t valueCount, int valueBits) {
  if (valueBits == 8) return valueCount;
  const std::uint32_t bits = valueCount * static_cast<std::uint32_t>(valueBits);  // wraps, as stored
  return bits / 8 + (bits % 8 != 0 ? 1 : 0);
}

HwlError::HwlError(const std::string& fileName, const std::string& problem)
    : std::runtime_error(fileName + ": " + problem), fileName_(fileName), problem_(problem) {}

}  // namespace hwl
