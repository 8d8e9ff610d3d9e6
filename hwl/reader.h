#pragma once
// Reading the parts of an HWL file from a file, a C++ stream or memory, with every read checked: a
// source that ends early throws HwlError naming what was being read. Streams are kept packed as in
// the file (with zero padding behind them, so a bit reader may look 8 bytes ahead).

#include "hwl/stages.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace hwl::detail {

// Bytes of zero padding behind every packed stream buffer.
constexpr std::size_t streamPadding = 8;

class ByteSource {
 public:
  explicit ByteSource(std::string name) : name_(std::move(name)) {}
  virtual ~ByteSource() = default;
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  const std::string& name() const { return name_; }
  // Reads exactly size bytes, or throws "the file ends inside the WHAT".
  void read(std::uint8_t* destination, std::size_t size, const std::string& what);
  // Reads size bytes into a new buffer followed by `padding` zero bytes. A source that knows its
  // length is checked before anything is allocated; others are read in bounded chunks, so a count
  // larger than the data never allocates more than the data holds.
  std::vector<std::uint8_t> readBlock(std::size_t size, std::size_t padding, const std::string& what);

 protected:
  // Up to size bytes; 0 at the end. Throws on a read error.
  virtual std::size_t readSome(std::uint8_t* destination, std::size_t size) = 0;
  // Bytes left, when the source knows.
  virtual std::optional<std::uint64_t> remaining() const { return std::nullopt; }

 private:
  [[noreturn]] void endsInside(const std::string& what, std::size_t got, std::size_t wanted) const;
  std::string name_;
  std::uint64_t position_ = 0;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& fileName);  // throws when the file cannot be opened
  ~FileSource() override;

 protected:
  std::size_t readSome(std::uint8_t* destination, std::size_t size) override;
  std::optional<std::uint64_t> remaining() const override;

 private:
  std::FILE* file_ = nullptr;
  std::optional<std::uint64_t> size_;
  std::uint64_t consumed_ = 0;
};

class StreamSource final : public ByteSource {
 public:
  StreamSource(std::istream& stream, std::string name) : ByteSource(std::move(name)), stream_(stream) {}

 protected:
  std::size_t readSome(std::uint8_t* destination, std::size_t size) override;

 private:
  std::istream& stream_;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(std::span<const std::uint8_t> bytes, std::string name) : ByteSource(std::move(name)), bytes_(bytes) {}

 protected:
  std::size_t readSome(std::uint8_t* destination, std::size_t size) override;
  std::optional<std::uint64_t> remaining() const override { return bytes_.size() - offset_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
};

// One plane's streams as they are in the file.
struct PackedPlane {
  std::uint32_t symbolCount = 0;
  std::uint32_t valueCount = 0;
  int valueBits = 8;
  std::vector<std::uint8_t> symbols;  // symbolStreamSize bytes + streamPadding zeros
  std::vector<std::uint8_t> values;   // valueStreamSize bytes + streamPadding zeros

  std::size_t symbolBytes() const { return symbols.size() - streamPadding; }
  std::size_t valueBytes() const { return values.size() - streamPadding; }
  // Values the stream really holds (fewer than valueCount when M * k wrapped).
  std::uint64_t availableValues() const;
};

// Everything a decoder reads from a file.
struct HwlContents {
  HwlHeader header;
  int planeCount = 0;  // decodedPlaneCount(header)
  std::array<HwlTable, 3> tables{};
  std::array<PackedPlane, 3> planes;
};

HwlHeader readHeader(ByteSource& source);
// Throws for a header whose decoded picture the decoder cannot take (hwlMaxPixels, lastLevel, value
// widths).
void checkHeader(const HwlHeader& header, const std::string& name);
// What follows a checked header: for a picture that is decoded, the tables and the packed streams.
void readBody(ByteSource& source, HwlContents& contents);
// Header and body.
HwlContents readContents(ByteSource& source);

// One byte per symbol (0 to 3) or per value, as the format's own expansion takes them.
std::vector<std::uint8_t> unpackSymbols(const PackedPlane& plane);
std::vector<std::uint8_t> unpackValues(const PackedPlane& plane);

}  // namespace hwl::detail
