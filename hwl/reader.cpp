#include "hwl/reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace hwl::detail {

namespace {

constexpr std::size_t chunkSize = std::size_t{1} << 20;

std::string planeName(int plane) { return "plane-" + std::to_string(plane + 1); }

}  // namespace

void ByteSource::read(std::uint8_t* destination, std::size_t size, const std::string& what) {
  std::size_t got = 0;
  while (got < size) {
    const std::size_t n = readSome(destination + got, size - got);
    if (n == 0) endsInside(what, got, size);
    got += n;
  }
  position_ += size;
}

std::vector<std::uint8_t> ByteSource::readBlock(std::size_t size, std::size_t padding, const std::string& what) {
  std::vector<std::uint8_t> block;
  if (const auto left = remaining(); left && *left < size) {
    endsInside(what, static_cast<std::size_t>(*left), size);
  }
  if (remaining()) {
    block.resize(size + padding);
    read(block.data(), size, what);
    return block;
  }
  // A source of unknown length: grow the buffer only as the data arrives.
  std::size_t got = 0;
  while (got < size) {
    const std::size_t want = std::min(chunkSize, size - got);
    block.resize(got + want);
    const std::size_t n = readSome(block.data() + got, want);
    if (n == 0) endsInside(what, got, size);
    got += n;
  }
  position_ += size;
  block.resize(size + padding);
  return block;
}

void ByteSource::endsInside(const std::string& what, std::size_t got, std::size_t wanted) const {
  throw HwlError(name_, "the file ends inside the " + what + " (at byte " + std::to_string(position_ + got) + ", " +
                            std::to_string(wanted - got) + " more bytes needed)");
}

FileSource::FileSource(const std::string& fileName) : ByteSource(fileName) {
  file_ = std::fopen(fileName.c_str(), "rb");
  if (!file_) throw HwlError(fileName, std::string("cannot open: ") + std::strerror(errno));
  struct stat status {};
  if (fstat(fileno(file_), &status) == 0 && S_ISREG(status.st_mode)) {
    size_ = static_cast<std::uint64_t>(status.st_size);
  }
}

FileSource::~FileSource() { std::fclose(file_); }

std::size_t FileSource::readSome(std::uint8_t* destination, std::size_t size) {
  const std::size_t n = std::fread(destination, 1, size, file_);
  if (n == 0 && std::ferror(file_)) {
    throw HwlError(name(), std::string("cannot read: ") + std::strerror(errno));
  }
  consumed_ += n;
  return n;
}

std::optional<std::uint64_t> FileSource::remaining() const {
  if (!size_) return std::nullopt;
  return *size_ > consumed_ ? *size_ - consumed_ : 0;
}

std::size_t StreamSource::readSome(std::uint8_t* destination, std::size_t size) {
  stream_.read(reinterpret_cast<char*>(destination), static_cast<std::streamsize>(size));
  const auto n = static_cast<std::size_t>(stream_.gcount());
  if (n == 0 && stream_.bad()) throw HwlError(name(), "the stream could not be read");
  return n;
}

std::size_t MemorySource::readSome(std::uint8_t* destination, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size() - offset_);
  if (n > 0) std::memcpy(destination, bytes_.data() + offset_, n);
  offset_ += n;
  return n;
}

std::uint64_t PackedPlane::availableValues() const {
  const std::uint64_t fit = std::uint64_t{valueBytes()} * 8 / static_cast<std::uint64_t>(valueBits);
  return std::min<std::uint64_t>(valueCount, fit);
}

HwlHeader readHeader(ByteSource& source) {
  std::array<std::uint8_t, hwlHeaderSize> bytes{};
  source.read(bytes.data(), bytes.size(), "header");
  return unpackHeader(bytes);
}

void checkHeader(const HwlHeader& header, const std::string& name) {
  const int planes = decodedPlaneCount(header);
  if (planes == 0) return;
  if (const std::uint64_t pixels = std::uint64_t{header.width} * header.height; pixels > hwlMaxPixels) {
    throw HwlError(name, "the picture is " + std::to_string(header.width) + "x" + std::to_string(header.height) + ", " +
                             std::to_string(pixels) + " pixels; the decoder takes at most " +
                             std::to_string(hwlMaxPixels));
  }
  if (header.lastLevel > hwlMaxLastLevel) {
    throw HwlError(name,
                   "lastLevel " + std::to_string(header.lastLevel) + " is above " + std::to_string(hwlMaxLastLevel));
  }
  for (int p = 0; p < planes; ++p) {
    const int k = header.valueBits[p];
    if (k < 1 || k > 8) {
      throw HwlError(name, "the " + planeName(p) + " value width is " + std::to_string(k) + " bits (1 to 8 allowed)");
    }
  }
}

HwlContents readContents(ByteSource& source) {
  HwlContents contents;
  contents.header = readHeader(source);
  checkHeader(contents.header, source.name());
  readBody(source, contents);
  return contents;
}

void readBody(ByteSource& source, HwlContents& contents) {
  const HwlHeader& header = contents.header;
  contents.planeCount = decodedPlaneCount(header);
  const std::size_t entries = std::size_t{header.lastLevel} + 2;
  for (int p = 0; p < contents.planeCount; ++p) {
    std::array<std::uint8_t, hwlTableSize * 8> bytes{};
    source.read(bytes.data(), entries * 8, planeName(p) + " scale table");
    for (std::size_t i = 0; i < entries; ++i) {
      std::uint64_t bits = 0;
      for (int b = 7; b >= 0; --b) bits = bits << 8 | bytes[i * 8 + b];
      std::memcpy(&contents.tables[p][i], &bits, 8);
    }
  }
  for (int p = 0; p < contents.planeCount; ++p) {
    PackedPlane& plane = contents.planes[p];
    plane.symbolCount = header.symbolCount[p];
    plane.valueCount = header.valueCount[p];
    plane.valueBits = header.valueBits[p];
    plane.symbols =
        source.readBlock(symbolStreamSize(plane.symbolCount), streamPadding, planeName(p) + " symbol stream");
    plane.values = source.readBlock(valueStreamSize(plane.valueCount, plane.valueBits), streamPadding,
                                    planeName(p) + " value stream");
  }
}

std::vector<std::uint8_t> unpackSymbols(const PackedPlane& plane) {
  std::vector<std::uint8_t> symbols(plane.symbolCount);
  for (std::size_t s = 0; s < symbols.size(); ++s) {
    symbols[s] = (plane.symbols[s / 4] >> (2 * (s % 4))) & 3;
  }
  return symbols;
}

std::vector<std::uint8_t> unpackValues(const PackedPlane& plane) {
  const int k = plane.valueBits;
  std::vector<std::uint8_t> values(plane.availableValues());
  if (k == 8) {
    std::copy_n(plane.values.begin(), values.size(), values.begin());
    return values;
  }
  const unsigned mask = (1u << k) - 1;
  for (std::size_t j = 0; j < values.size(); ++j) {
    const std::size_t p = j * static_cast<std::size_t>(k);
    const unsigned pair = plane.values[p / 8] | unsigned{plane.values[p / 8 + 1]} << 8;
    values[j] = static_cast<std::uint8_t>((pair >> (p % 8)) & mask);
  }
  return values;
}

}  // namespace hwl::detail
