#pragma once
// What emscripten's C++ library (libc++ 13) lacks of C++20 and the code uses: std::bit_cast, and
// to_chars/from_chars for float and double. cmake/wasm32-emscripten.cmake includes this header first in
// every C++ file; with a library that has them it adds nothing.
//
// The results are the ones the standard asks for, and so libstdc++'s, byte for byte:
// - to_chars(first, last, value): the fewest digits that read back as the value (the nearest such digits
//   if there are several), written fixed or scientific, whichever is shorter (fixed on a tie); a whole
//   number written fixed is written exactly. nan, inf and -0 as printf writes them.
// - to_chars(first, last, value, format, precision): printf's %g, %f or %e with that precision.
// - from_chars(first, last, value): the longest prefix that is a decimal real, "inf", "infinity" or
//   "nan" (any case, after an optional '-'; no '+', white space or hexadecimal), correctly rounded;
//   result_out_of_range (value untouched) when it overflows, or underflows to zero.
// The digits come from the C library's printf and strtod/strtof, which are exact on emscripten (musl).

#include <version>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000 && __cplusplus >= 202002L

#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

namespace std {

template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>) constexpr To
    bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}

namespace libcxx_compat {

// digits[0].digits[1..count) x 10^exponent
struct Decimal {
  char digits[24] = {};
  int count = 0;
  int exponent = 0;
};

// The value rounded to `count` significant digits.
inline Decimal roundedDecimal(double magnitude, int count) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", count - 1, magnitude);
  Decimal decimal;
  const char* at = text;
  for (; *at != 'e'; ++at) {
    if (*at != '.') decimal.digits[decimal.count++] = *at;
  }
  decimal.exponent = std::atoi(at + 1);
  return decimal;
}

// One more unit in the last digit.
inline Decimal nextDecimalUp(Decimal decimal) {
  for (int i = decimal.count - 1; i >= 0; --i) {
    if (decimal.digits[i] != '9') {
      ++decimal.digits[i];
      return decimal;
    }
    decimal.digits[i] = '0';
  }
  decimal.digits[0] = '1';  // 99..9 became 100..0
  ++decimal.exponent;
  return decimal;
}

template <class F>
F readDecimal(const Decimal& decimal) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*se%d", decimal.count, decimal.digits, decimal.exponent - decimal.count + 1);
  if constexpr (is_same_v<F, float>) {
    return std::strtof(text, nullptr);
  } else {
    return std::strtod(text, nullptr);
  }
}

// The shortest digits that read back as the positive, finite value. The rounded digits are the nearest
// of their length; where the gap below the value is the narrower one (a power of two), the next digits
// up can read back when the nearest, below, do not.
template <class F>
Decimal shortestDecimal(F magnitude) {
  for (int count = 1;; ++count) {
    const Decimal nearest = roundedDecimal(magnitude, count);
    const F back = readDecimal<F>(nearest);
    if (back == magnitude) return nearest;
    if (back < magnitude) {
      const Decimal up = nextDecimalUp(nearest);
      if (readDecimal<F>(up) == magnitude) return up;
    }
  }
}

inline Decimal withoutTrailingZeros(Decimal decimal) {
  while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') --decimal.count;
  return decimal;
}

inline int fixedLength(const Decimal& d) {
  if (d.exponent >= d.count - 1) return d.exponent + 1;  // a whole number
  if (d.exponent >= 0) return d.count + 1;
  return d.count + 1 - d.exponent;
}

inline std::string scientificText(const Decimal& d) {
  std::string text(1, d.digits[0]);
  if (d.count > 1) text += '.' + std::string(d.digits + 1, d.digits + d.count);
  char exponent[8];
  std::snprintf(exponent, sizeof exponent, "e%c%02d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
  return text + exponent;
}

inline std::string fixedText(const Decimal& d, double magnitude) {
  if (d.exponent >= d.count - 1) {
    char whole[400];
    std::snprintf(whole, sizeof whole, "%.0f", magnitude);  // exact
    return whole;
  }
  const std::string digits(d.digits, d.digits + d.count);
  if (d.exponent >= 0) return digits.substr(0, d.exponent + 1) + '.' + digits.substr(d.exponent + 1);
  return "0." + std::string(-d.exponent - 1, '0') + digits;
}

inline to_chars_result copyText(char* first, char* last, const std::string& text) {
  if (text.size() > static_cast<size_t>(last - first)) return {last, errc::value_too_large};
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), errc{}};
}

template <class F>
to_chars_result writeShortest(char* first, char* last, F value) {
  std::string text = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) {
    text += "nan";
  } else if (std::isinf(value)) {
    text += "inf";
  } else if (value == 0) {
    text += '0';
  } else {
    const F magnitude = std::fabs(value);
    const Decimal d = withoutTrailingZeros(shortestDecimal(magnitude));
    const std::string scientific = scientificText(d);
    text += fixedLength(d) <= static_cast<int>(scientific.size()) ? fixedText(d, magnitude) : scientific;
  }
  return copyText(first, last, text);
}

inline to_chars_result writeWithPrecision(char* first, char* last, double value, chars_format format, int precision) {
  const char* pattern = format == chars_format::fixed ? "%.*f" : format == chars_format::scientific ? "%.*e" : "%.*g";
  const int length = std::snprintf(nullptr, 0, pattern, precision, value);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, precision, value);
  text.pop_back();
  return copyText(first, last, text);
}

inline bool startsWithWord(const char* at, const char* last, const char* word) {
  const size_t length = std::strlen(word);
  if (static_cast<size_t>(last - at) < length) return false;
  for (size_t i = 0; i < length; ++i) {
    if ((at[i] | 0x20) != word[i]) return false;
  }
  return true;
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline const char* skipDigits(const char* at, const char* last) {
  while (at != last && isDigit(*at)) ++at;
  return at;
}

// The end of the longest real at the start of [at, last) after its sign; `at` itself if there is none.
inline const char* endOfNumber(const char* at, const char* last) {
  if (startsWithWord(at, last, "infinity")) return at + 8;
  if (startsWithWord(at, last, "inf")) return at + 3;
  if (startsWithWord(at, last, "nan")) {
    const char* end = at + 3;
    if (end == last || *end != '(') return end;
    const char* close = end + 1;
    while (close != last && (std::isalnum(static_cast<unsigned char>(*close)) || *close == '_')) ++close;
    return close != last && *close == ')' ? close + 1 : end;
  }
  const char* end = skipDigits(at, last);
  bool anyDigit = end != at;
  if (end != last && *end == '.') {
    const char* fraction = end + 1;
    end = skipDigits(fraction, last);
    anyDigit = anyDigit || end != fraction;
  }
  if (!anyDigit) return at;
  if (end != last && (*end == 'e' || *end == 'E')) {
    const char* power = end + 1;
    if (power != last && (*power == '+' || *power == '-')) ++power;
    if (power != last && isDigit(*power)) end = skipDigits(power, last);
  }
  return end;
}

template <class F>
from_chars_result readReal(const char* first, const char* last, F& value) {
  const char* start = first != last && *first == '-' ? first + 1 : first;
  const char* end = endOfNumber(start, last);
  if (end == start) return {first, errc::invalid_argument};
  const std::string text(first, end);
  const F result = is_same_v<F, float> ? std::strtof(text.c_str(), nullptr) : std::strtod(text.c_str(), nullptr);
  const bool word = !isDigit(*start) && *start != '.';
  const bool nonzeroDigits = text.find_first_of("123456789") < text.find_first_of("eE");
  if ((!word && std::isinf(result)) || (result == 0 && nonzeroDigits)) return {end, errc::result_out_of_range};
  value = result;
  return {end, errc{}};
}

}  // namespace libcxx_compat

inline to_chars_result to_chars(char* first, char* last, float value) {
  return libcxx_compat::writeShortest(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, double value) {
  return libcxx_compat::writeShortest(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, float value, chars_format format, int precision) {
  return libcxx_compat::writeWithPrecision(first, last, value, format, precision);
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format format, int precision) {
  return libcxx_compat::writeWithPrecision(first, last, value, format, precision);
}
inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
  return libcxx_compat::readReal(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
  return libcxx_compat::readReal(first, last, value);
}

}  // namespace std

#endif
