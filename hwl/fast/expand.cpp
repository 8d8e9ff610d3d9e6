#include "hwl/fast/expand.h"

// The chunked and shuffled methods are x86's (32- and 64-bit); other processors have the quads.
#if defined(__x86_64__) || defined(__i386__)
#define HWL_EXPAND_X86 1
// GCC 12 takes the undefined first operand inside its AVX-512 intrinsics for an uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#endif

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>

namespace hwl::detail {

namespace {

#define HWL_CHUNKS_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

// ---------------------------------------------------------------------------------------------------
// Four symbols at a time up to the next run, through a table per value width; runs and the ends of
// the streams one at a time. Plain C++: every path can take it.

struct SymbolQuad {
  std::uint8_t shift[4];   // bit offset of the symbol's value from the first value's
  std::int16_t negate[4];  // -1 for symbol 3
  std::int16_t keep[4];    // -1 for symbols 2 and 3 among the lead, 0 otherwise
  std::uint8_t lead;       // symbols before the first run symbol
  std::uint8_t values;     // values the lead takes
};

std::array<SymbolQuad, 256> symbolQuads(unsigned k) {
  std::array<SymbolQuad, 256> table{};
  for (unsigned b = 0; b < 256; ++b) {
    SymbolQuad& e = table[b];
    bool running = true;
    for (int i = 0; i < 4; ++i) {
      const unsigned symbol = b >> (2 * i) & 3;
      running = running && symbol != 1;
      e.shift[i] = static_cast<std::uint8_t>(e.values * k);
      if (!running) continue;
      ++e.lead;
      e.negate[i] = symbol == 3 ? -1 : 0;
      e.keep[i] = symbol >= 2 ? -1 : 0;
      e.values += symbol >= 2;
    }
  }
  return table;
}

std::uint64_t bitsFrom(const std::uint8_t* bytes, std::uint64_t bit) {
  std::uint64_t word;
  std::memcpy(&word, bytes + (bit >> 3), 8);  // the stream buffers are padded behind
  return word >> (bit & 7);
}

template <class C>
void expandQuads(const PackedPlane& plane, C* out, std::size_t total) {
  const std::uint8_t* symbols = plane.symbols.data();
  const std::uint8_t* values = plane.values.data();
  const std::size_t symbolCount = plane.symbolCount;
  const std::uint64_t valueCount = plane.availableValues();
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::uint64_t mask = (std::uint64_t{1} << k) - 1;
  const std::array<SymbolQuad, 256> table = symbolQuads(k);
  std::size_t o = 0;
  std::size_t s = 0;
  std::uint64_t t = 0;
  while (o < total && s < symbolCount) {
    const std::uint64_t window = bitsFrom(symbols, 2 * std::uint64_t{s});
    const SymbolQuad& e = table[window & 0xFF];
    if (e.lead > 0 && s + e.lead <= symbolCount && o + e.lead <= total && t + e.values <= valueCount) {
      const std::uint64_t word = bitsFrom(values, t * k);
      for (int i = 0; i < 4; ++i) {
        const auto v = static_cast<std::int16_t>((word >> e.shift[i]) & mask);
        out[o + i] = static_cast<C>(((v ^ e.negate[i]) - e.negate[i]) & e.keep[i]);
      }
      o += e.lead;
      s += e.lead;
      t += e.values;
      continue;
    }
    const auto symbol = static_cast<unsigned>(window & 3);
    if (symbol == 0) {
      ++o;
      ++s;
      continue;
    }
    if (t >= valueCount) break;
    const auto v = static_cast<int>(bitsFrom(values, t * k) & mask);
    ++t;
    if (symbol == 1) {
      if (s + 1 >= symbolCount) break;
      const auto extension = static_cast<unsigned>(window >> 2 & 3);
      o += static_cast<std::size_t>(v) + (std::size_t{extension} << k) + 1;
      s += 2;
      continue;
    }
    out[o] = static_cast<C>(symbol == 2 ? v : -v);
    ++o;
    ++s;
  }
}

#ifdef HWL_EXPAND_X86
// ---------------------------------------------------------------------------------------------------
// The format's own expansion, for the ends of the chunked methods' walks.

unsigned symbolAt(const PackedPlane& plane, std::size_t s) { return plane.symbols[s / 4] >> (2 * (s % 4)) & 3; }

// Where an expansion stands: output index o, symbol index s, value index t, and whether symbol s is
// the extension of a run whose other parts have been applied.
struct Cursor {
  std::size_t o = 0;
  std::size_t s = 0;
  std::uint64_t t = 0;
  bool extensionPending = false;
};

// The format's expansion from a cursor to the end, one symbol at a time, into a cleared plane.
// valueAt(t) is value t.
template <class C, class ValueAt>
void expandRest(const PackedPlane& plane, C* out, std::size_t total, Cursor c, ValueAt valueAt) {
  const std::size_t symbolCount = plane.symbolCount;
  const std::uint64_t valueCount = plane.availableValues();
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  if (c.extensionPending && c.s < symbolCount) {
    c.o += std::size_t{symbolAt(plane, c.s)} << k;
    ++c.s;
  }
  while (c.o < total && c.s < symbolCount) {
    const unsigned symbol = symbolAt(plane, c.s);
    if (symbol == 0) {
      ++c.o;
      ++c.s;
      continue;
    }
    if (c.t >= valueCount) break;
    const unsigned v = valueAt(c.t++);
    if (symbol == 1) {
      if (c.s + 1 >= symbolCount) break;
      c.o += 1 + v + (std::size_t{symbolAt(plane, c.s + 1)} << k);
      c.s += 2;
      continue;
    }
    out[c.o] = static_cast<C>(symbol == 2 ? static_cast<int>(v) : -static_cast<int>(v));
    ++c.o;
    ++c.s;
  }
}

// ---------------------------------------------------------------------------------------------------
// 32 symbols (8 bytes) at a time. Bit masks over the chunk tell which symbols start runs and which are
// run extensions; the values are spread to the symbols that take them, signed, and the coefficients
// of all symbols but extensions packed together and stored in pieces split at the runs.

bool processorHasChunkInstructions() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
         __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
}

// The plane's available values, one per byte, in a buffer of at least `count` rounded up to 64.
HWL_CHUNKS_TARGET std::unique_ptr<std::uint8_t[]> valueBytes(const PackedPlane& plane, std::uint64_t count) {
  const std::size_t rounded = (count + 63) / 64 * 64 + 64;
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(rounded);
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::uint8_t* in = plane.values.data();
  const std::size_t inSize = plane.values.size();
  if (k == 8) {
    std::memcpy(bytes.get(), in, count);
    return bytes;
  }
  // Values 8q .. 8q + 7 of a block of 64 sit in the k bytes from byte q k of the block's 8k bytes:
  // gather those bytes into 64-bit lane q, then pick bit field i k of the lane for byte i.
  alignas(64) std::uint8_t gather[64], fields[64];
  for (unsigned q = 0; q < 8; ++q) {
    for (unsigned i = 0; i < 8; ++i) {
      gather[8 * q + i] = static_cast<std::uint8_t>(q * k + i);
      fields[8 * q + i] = static_cast<std::uint8_t>(i * k);
    }
  }
  const __m512i gatherIndex = _mm512_load_si512(gather);
  const __m512i fieldIndex = _mm512_load_si512(fields);
  const __m512i mask = _mm512_set1_epi8(static_cast<char>((1u << k) - 1));
  for (std::uint64_t i = 0; i < count; i += 64) {
    const std::size_t from = static_cast<std::size_t>(i / 8 * k);
    const std::size_t left = inSize - from;  // count values lie inside the stream, so from < inSize
    const __mmask64 valid = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
    const __m512i block = _mm512_maskz_loadu_epi8(valid, in + from);
    const __m512i lanes = _mm512_permutexvar_epi8(gatherIndex, block);
    _mm512_storeu_si512(bytes.get() + i, _mm512_and_si512(_mm512_multishift_epi64_epi8(fieldIndex, lanes), mask));
  }
  return bytes;
}

// The slots [from, to) of a piece whose slot i lands at out[base + i], less those at or past total.
inline std::uint32_t pieceSlots(std::size_t base, unsigned from, unsigned to, std::size_t total) {
  if (base >= total || from >= to) return 0;
  std::uint32_t slots = static_cast<std::uint32_t>((std::uint64_t{1} << to) - (std::uint64_t{1} << from));
  if (total - base < 32) slots &= (std::uint32_t{1} << (total - base)) - 1;
  return slots;
}
// Stores those slots of the packed coefficients: 16-bit ones packed in 32 words, 8-bit ones in 32 bytes.
HWL_CHUNKS_TARGET inline void storePiece(std::int16_t* out, std::size_t base, __m512i packed, unsigned from,
                                         unsigned to, std::size_t total) {
  if (const std::uint32_t slots = pieceSlots(base, from, to, total))
    _mm512_mask_storeu_epi16(out + base, slots, packed);
}
HWL_CHUNKS_TARGET inline void storePiece(std::int8_t* out, std::size_t base, __m256i packed, unsigned from, unsigned to,
                                         std::size_t total) {
  if (const std::uint32_t slots = pieceSlots(base, from, to, total)) _mm256_mask_storeu_epi8(out + base, slots, packed);
}

struct ChunkMasks {
  std::uint32_t kept;       // symbols that give a coefficient (all but run extensions)
  std::uint32_t consumers;  // symbols that take a value (2, 3 and run starts)
  std::uint32_t nonzero;    // symbols 2 and 3
  std::uint32_t negative;   // symbols 3
  std::uint32_t starts;     // run starts
};

// The bits of a word of 32 symbols that the mask picks, gathered by halves: 32-bit x86 has no 64-bit
// gather.
HWL_CHUNKS_TARGET inline std::uint32_t gatherBits(std::uint64_t word, std::uint32_t mask) {
  return _pext_u32(static_cast<std::uint32_t>(word), mask) |
         (_pext_u32(static_cast<std::uint32_t>(word >> 32), mask) << 16);
}

// From the low and high bits of the chunk's 32 symbols; carry: the chunk's first symbol extends the
// previous chunk's last run.
inline ChunkMasks chunkMasks(std::uint32_t low, std::uint32_t high, std::uint32_t carry) {
  // Symbol 1 starts a run unless it extends one; in a stretch of 1s they alternate, starting with a
  // run. Blocks of 1s that begin at an even position are found by the carry of adding their starts.
  const std::uint32_t ones = low & ~high & ~carry;
  const std::uint32_t blockStarts = ones & ~(ones << 1);
  const std::uint64_t evenStarts = blockStarts & 0x55555555u;
  const std::uint32_t evenBlocks = ones & ~static_cast<std::uint32_t>(std::uint64_t{ones} + evenStarts);
  ChunkMasks m;
  m.starts = (evenBlocks & 0x55555555u) | (ones & ~evenBlocks & 0xAAAAAAAAu);
  const std::uint32_t extensions = (m.starts << 1) | carry;
  m.kept = ~extensions;
  m.nonzero = high & ~extensions;
  m.negative = m.nonzero & low;
  m.consumers = m.nonzero | m.starts;
  return m;
}

// Calls store(base, from, to) for each piece of a chunk between its runs: slots from .. to - 1 of the
// chunk's kept coefficients, slot j landing at out[base + j]. A run start ends each piece but the last
// and moves the pieces after it on by the run's length. o: where the chunk's first coefficient lands;
// values: the chunk's first value; k: the value width. Returns the output index after the chunk.
template <class Store>
inline __attribute__((always_inline)) std::size_t forEachPiece(const ChunkMasks& m, std::uint64_t word,
                                                               const std::uint8_t* values, unsigned k, std::size_t o,
                                                               Store store) {
  unsigned from = 0;
  for (std::uint32_t runs = m.starts; runs != 0; runs &= runs - 1) {
    const auto i = static_cast<unsigned>(std::countr_zero(runs));
    const std::uint32_t before = (std::uint32_t{1} << i) - 1;
    const std::size_t value = values[std::popcount(m.consumers & before)];
    const std::size_t extension = i < 31 ? (word >> (2 * i + 2)) & 3 : 0;  // else: in the next chunk
    const auto to = static_cast<unsigned>(std::popcount(m.kept & before)) + 1;
    store(o, from, to);
    from = to;
    o += value + (extension << k);
  }
  const auto kept = static_cast<unsigned>(std::popcount(m.kept));
  store(o, from, kept);
  return o + kept;
}

// The chunked expansion's walk, which the vector methods share: 32 symbols at a time while a whole
// chunk of values remains, then symbol by symbol. values: every available value, one a byte, with 32
// readable past any chunk's first. splitBits(word) gives the low and high bits of a chunk's 32
// symbols; expandChunk(masks, word, its first value, o) stores the chunk's coefficients from out[o] on
// and returns the output index after them.
template <class C, class SplitBits, class ExpandChunk>
inline __attribute__((always_inline)) void expandInChunks(const PackedPlane& plane, C* out, std::size_t total,
                                                          const std::uint8_t* values, SplitBits splitBits,
                                                          ExpandChunk expandChunk) {
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::uint64_t valueCount = plane.availableValues();
  const std::uint8_t* symbols = plane.symbols.data();
  const std::size_t chunkCount = plane.symbolCount / 32;
  Cursor c;
  std::size_t chunk = 0;
  std::uint32_t carry = 0;
  for (; chunk < chunkCount && c.o < total && c.t + 32 <= valueCount; ++chunk) {
    std::uint64_t word;
    std::memcpy(&word, symbols + 8 * chunk, 8);
    if (carry) c.o += static_cast<std::size_t>(word & 3) << k;
    const auto [low, high] = splitBits(word);
    const ChunkMasks m = chunkMasks(low, high, carry);
    c.o = expandChunk(m, word, values + c.t, c.o);
    c.t += static_cast<unsigned>(std::popcount(m.consumers));
    carry = m.starts >> 31;
  }
  c.s = 32 * chunk;
  c.extensionPending = carry != 0;
  expandRest(plane, out, total, c, [&](std::uint64_t t) { return unsigned{values[t]}; });
}

template <class C>
HWL_CHUNKS_TARGET void expandChunks(const PackedPlane& plane, C* out, std::size_t total) {
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::unique_ptr<std::uint8_t[]> values = valueBytes(plane, plane.availableValues());
  const __m512i zero = _mm512_setzero_si512();
  auto splitBits = [](std::uint64_t word) HWL_CHUNKS_TARGET {
    return std::pair{gatherBits(word, 0x55555555u), gatherBits(word, 0xAAAAAAAAu)};
  };
  // The values spread to the symbols that take them, zero where the symbol is a run start, signed,
  // and the kept symbols' coefficients packed together: as words, or as bytes for 8-bit ones (whose
  // magnitudes are at most 127).
  auto pack = [&](const ChunkMasks& m, const std::uint8_t* first) HWL_CHUNKS_TARGET {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first));
    if constexpr (sizeof(C) == 2) {
      __m512i coefficients = _mm512_maskz_expand_epi16(m.nonzero | m.starts, _mm512_cvtepu8_epi16(bytes));
      coefficients = _mm512_maskz_mov_epi16(m.nonzero, coefficients);
      coefficients = _mm512_mask_sub_epi16(coefficients, m.negative, zero, coefficients);
      return _mm512_maskz_compress_epi16(m.kept, coefficients);
    } else {
      __m256i coefficients = _mm256_maskz_expand_epi8(m.nonzero | m.starts, bytes);
      coefficients = _mm256_maskz_mov_epi8(m.nonzero, coefficients);
      coefficients = _mm256_mask_sub_epi8(coefficients, m.negative, _mm512_castsi512_si256(zero), coefficients);
      return _mm256_maskz_compress_epi8(m.kept, coefficients);
    }
  };
  auto expandChunk = [&](const ChunkMasks& m, std::uint64_t word, const std::uint8_t* first,
                         std::size_t o) HWL_CHUNKS_TARGET {
    const auto packed = pack(m, first);
    return forEachPiece(m, word, first, k, o, [&](std::size_t base, unsigned from, unsigned to) HWL_CHUNKS_TARGET {
      storePiece(out, base, packed, from, to, total);
    });
  };
  expandInChunks(plane, out, total, values.get(), splitBits, expandChunk);
}

// ---------------------------------------------------------------------------------------------------
// 32 symbols at a time with the same masks on AVX2: each eight symbols' values are spread to the
// symbols that take them and the coefficients of the kept symbols packed together by byte shuffles
// from tables indexed by the masks, into a small buffer for the chunk; its pieces between runs are
// then stored with zeros behind them (the positions behind are written again later or belong to a
// run).

#define HWL_SHUFFLES_TARGET __attribute__((target("avx2,popcnt")))

// A chunk's 32 symbols as byte masks: byte i of `low` (`high`) is all ones where the low (high) bit of
// symbol i is set. Each byte of the word is copied to the four bytes of its symbols and tested there.
struct SymbolBytes {
  __m256i low, high;
};
HWL_SHUFFLES_TARGET inline SymbolBytes symbolBytes(std::uint64_t word) {
  const __m256i copies =
      _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
  const __m256i lowBit = _mm256_set1_epi32(0x40100401);
  const __m256i highBit = _mm256_set1_epi32(static_cast<int>(0x80200802u));
  const __m256i bytes = _mm256_shuffle_epi8(_mm256_set1_epi64x(static_cast<long long>(word)), copies);
  return {_mm256_cmpeq_epi8(_mm256_and_si256(bytes, lowBit), lowBit),
          _mm256_cmpeq_epi8(_mm256_and_si256(bytes, highBit), highBit)};
}

struct ShuffleTables {
  // spread[m]: byte i takes the value of rank (set bits of m below i) where bit i of m is set, else 0.
  // pack[m]: byte j takes byte (position of the j-th set bit of m), 0 past the last one.
  alignas(16) std::array<std::array<std::uint8_t, 8>, 256> spread, pack;
};

const ShuffleTables& shuffleTables() {
  static const ShuffleTables tables = [] {
    ShuffleTables t;
    for (unsigned m = 0; m < 256; ++m) {
      unsigned rank = 0;
      t.pack[m].fill(0x80);
      for (unsigned i = 0; i < 8; ++i) {
        const bool set = (m >> i & 1) != 0;
        t.spread[m][i] = static_cast<std::uint8_t>(set ? rank : 0x80);
        if (set) t.pack[m][rank++] = static_cast<std::uint8_t>(i);
      }
    }
    return t;
  }();
  return tables;
}

// The plane's available values, one per byte, in a buffer of `count` rounded up to 8, plus 64.
HWL_SHUFFLES_TARGET std::unique_ptr<std::uint8_t[]> valueBytesAvx2(const PackedPlane& plane, std::uint64_t count) {
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>((count + 7) / 8 * 8 + 64);
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::uint8_t* in = plane.values.data();
  if (k == 8) {
    std::memcpy(bytes.get(), in, count);
    return bytes;
  }
  // Values 8g .. 8g + 7 sit in the k bytes from byte g k (read as 8: the stream is padded behind).
  // Value i is bits s .. s + k of the 16 bits from byte i k / 8, s = i k mod 8: the bytes are paired
  // into 16-bit lanes, and a multiply by 2^(8 - s) and a shift by 8 take bits s .. s + 7.
  alignas(16) std::uint8_t pairs[16];
  alignas(16) std::uint16_t scales[8];
  for (unsigned i = 0; i < 8; ++i) {
    pairs[2 * i] = static_cast<std::uint8_t>(i * k / 8);
    pairs[2 * i + 1] = static_cast<std::uint8_t>(i * k / 8 + 1);
    scales[i] = static_cast<std::uint16_t>(1u << (8 - i * k % 8));
  }
  const __m128i pairIndex = _mm_load_si128(reinterpret_cast<const __m128i*>(pairs));
  const __m128i scale = _mm_load_si128(reinterpret_cast<const __m128i*>(scales));
  const __m128i mask = _mm_set1_epi16(static_cast<short>((1u << k) - 1));
  for (std::uint64_t g = 0; 8 * g < count; ++g) {
    const __m128i block = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + g * k));
    const __m128i fields = _mm_srli_epi16(_mm_mullo_epi16(_mm_shuffle_epi8(block, pairIndex), scale), 8);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes.get() + 8 * g),
                     _mm_packus_epi16(_mm_and_si128(fields, mask), _mm_setzero_si128()));
  }
  return bytes;
}

// Two 8-byte table entries as one register, the second's indices moved on by 8 to address the upper
// half (an index with its top bit set stays one).
HWL_SHUFFLES_TARGET inline __m128i shufflePair(const std::array<std::uint8_t, 8>& a,
                                               const std::array<std::uint8_t, 8>& b) {
  const __m128i upper = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 8, 8, 8, 8, 8, 8, 8, 8);
  return _mm_add_epi8(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a.data())),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b.data()))),
                      upper);
}

// The kept symbols' coefficients of a chunk, packed from packed[0], with at least 32 readable entries
// behind the last. values: the chunk's first value; bits: the chunk's symbol bytes. Two groups of
// eight symbols share each register: their values are spread to the symbols that take them (zero
// where the symbol is no 2 or 3: run starts take a value but give 0), packed within each half, signed
// and stored one behind the other. Run extensions are never kept, so their bits need no clearing.
template <class C>
HWL_SHUFFLES_TARGET inline __attribute__((always_inline)) void packChunk(const ChunkMasks& m, const SymbolBytes& bits,
                                                                         const std::uint8_t* values, C* packed) {
  const ShuffleTables& tables = shuffleTables();
  unsigned kept = 0, consumed = 0;
  for (unsigned g = 0; g < 32; g += 16) {
    const unsigned consumersA = m.consumers >> g & 0xFF, consumersB = m.consumers >> (g + 8) & 0xFF;
    const unsigned keepA = m.kept >> g & 0xFF, keepB = m.kept >> (g + 8) & 0xFF;
    const auto consumedA = static_cast<unsigned>(std::popcount(consumersA));
    const auto keptA = static_cast<unsigned>(std::popcount(keepA));
    const __m128i high = g == 0 ? _mm256_castsi256_si128(bits.high) : _mm256_extracti128_si256(bits.high, 1);
    const __m128i low = g == 0 ? _mm256_castsi256_si128(bits.low) : _mm256_extracti128_si256(bits.low, 1);
    const __m128i groupValues =
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + consumed)),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + consumed + consumedA)));
    const __m128i pack = shufflePair(tables.pack[keepA], tables.pack[keepB]);
    const __m128i spread = _mm_and_si128(
        _mm_shuffle_epi8(groupValues, shufflePair(tables.spread[consumersA], tables.spread[consumersB])), high);
    const __m128i v = _mm_shuffle_epi8(spread, pack);
    const __m128i negative = _mm_shuffle_epi8(_mm_and_si128(low, high), pack);
    if constexpr (sizeof(C) == 1) {
      const __m128i signedValues = _mm_sub_epi8(_mm_xor_si128(v, negative), negative);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(packed + kept), signedValues);
      _mm_storeh_pd(reinterpret_cast<double*>(packed + kept + keptA), _mm_castsi128_pd(signedValues));
    } else {
      auto widen = [](__m128i bytes, __m128i signs) HWL_SHUFFLES_TARGET {
        const __m128i wide = _mm_cvtepu8_epi16(bytes), sign = _mm_cvtepi8_epi16(signs);
        return _mm_sub_epi16(_mm_xor_si128(wide, sign), sign);
      };
      _mm_storeu_si128(reinterpret_cast<__m128i*>(packed + kept), widen(v, negative));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(packed + kept + keptA),
                       widen(_mm_srli_si128(v, 8), _mm_srli_si128(negative, 8)));
    }
    kept += keptA + static_cast<unsigned>(std::popcount(keepB));
    consumed += consumedA + static_cast<unsigned>(std::popcount(consumersB));
  }
}

// Stores `count` (up to 32) coefficients from `from` to `to`, then zeros to 32 entries.
template <class C>
HWL_SHUFFLES_TARGET inline __attribute__((always_inline)) void storeWithZeros(C* to, const C* from, unsigned count) {
  alignas(32) static constexpr std::array<std::uint8_t, 128> keep = [] {
    std::array<std::uint8_t, 128> bytes{};
    for (int i = 0; i < 64; ++i) bytes[i] = 0xFF;
    return bytes;
  }();
  const std::uint8_t* mask = keep.data() + 64 - count * sizeof(C);
  for (unsigned b = 0; b < 32 * sizeof(C); b += 32) {
    const __m256i v =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(reinterpret_cast<const std::uint8_t*>(from) + b));
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask + b));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(reinterpret_cast<std::uint8_t*>(to) + b), _mm256_and_si256(v, m));
  }
}

template <class C>
HWL_SHUFFLES_TARGET void expandShuffles(const PackedPlane& plane, C* out, std::size_t total) {
  const unsigned k = static_cast<unsigned>(plane.valueBits);
  const std::unique_ptr<std::uint8_t[]> values = valueBytesAvx2(plane, plane.availableValues());
  alignas(32) C packed[64] = {};
  // Both steps make the chunk's symbol bytes; the compiler makes them once.
  auto splitBits = [](std::uint64_t word) HWL_SHUFFLES_TARGET {
    const SymbolBytes bits = symbolBytes(word);
    return std::pair{static_cast<std::uint32_t>(_mm256_movemask_epi8(bits.low)),
                     static_cast<std::uint32_t>(_mm256_movemask_epi8(bits.high))};
  };
  auto expandChunk = [&](const ChunkMasks& m, std::uint64_t word, const std::uint8_t* first,
                         std::size_t o) HWL_SHUFFLES_TARGET {
    packChunk(m, symbolBytes(word), first, packed);
    return forEachPiece(m, word, first, k, o, [&](std::size_t base, unsigned from, unsigned to) HWL_SHUFFLES_TARGET {
      if (base + from < total && from < to) storeWithZeros(out + base + from, packed + from, to - from);
    });
  };
  expandInChunks(plane, out, total, values.get(), splitBits, expandChunk);
}

bool processorHasShuffleInstructions() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}
#else
bool processorHasChunkInstructions() { return false; }
bool processorHasShuffleInstructions() { return false; }
template <class C>
void expandChunks(const PackedPlane&, C*, std::size_t) {}
template <class C>
void expandShuffles(const PackedPlane&, C*, std::size_t) {}
#endif  // HWL_EXPAND_X86

}  // namespace

bool chunkExpansionAvailable() {
  static const bool available = processorHasChunkInstructions();
  return available;
}

bool shuffleExpansionAvailable() {
  static const bool available = processorHasShuffleInstructions();
  return available;
}

template <class C>
void expandCoefficients(const PackedPlane& plane, C* out, std::size_t total, ExpandMethod method) {
  if (method == ExpandMethod::best) {
    method = chunkExpansionAvailable()     ? ExpandMethod::chunks
             : shuffleExpansionAvailable() ? ExpandMethod::shuffles
                                           : ExpandMethod::quads;
  }
  std::memset(out, 0, total * sizeof(C));
  if (method == ExpandMethod::chunks) {
    expandChunks(plane, out, total);
  } else if (method == ExpandMethod::shuffles) {
    expandShuffles(plane, out, total);
  } else {
    expandQuads(plane, out, total);
  }
}

template void expandCoefficients(const PackedPlane&, std::int16_t*, std::size_t, ExpandMethod);
template void expandCoefficients(const PackedPlane&, std::int8_t*, std::size_t, ExpandMethod);

}  // namespace hwl::detail
