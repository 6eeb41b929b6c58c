// Reading the plain parameters of pattern functions: numbers as the C
// library's atoi/atoll read them (leading blanks, a sign, then digits;
// anything else ends the number), but saturating instead of overflowing.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "support/TextUtil.h"

inline int64_t ParamInt64(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\f' || text[i] == '\v')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint64_t n = 0;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + static_cast<uint64_t>(text[i] - '0');
    if (n > kLimit) n = kLimit + (negative ? 1 : 0);
  }
  if (negative) return n > kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

inline int ParamInt(std::string_view text) {
  int64_t v = ParamInt64(text);
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// A flag parameter: "1" or, without regard to case, "true".
inline bool ParamFlag(std::string_view text) { return text == "1" || EqualsNoCase(text, "true"); }
