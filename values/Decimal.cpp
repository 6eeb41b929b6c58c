#include "values/Decimal.h"

#include <algorithm>

namespace {

// Whole numbers above this do not fit beside 18 decimals.
constexpr DecimalUnits kUnitLimit = static_cast<DecimalUnits>(1'000'000'000'000'000'000) * 1'000'000'000'000'000'000;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

DecimalUnits DecimalScale(int scale) {
  DecimalUnits power = 1;
  for (int i = 0; i < std::clamp(scale, 0, kMaxDecimalScale); ++i) power *= 10;
  return power;
}

bool ParseDecimal(std::string_view text, int scale, DecimalUnits& units, bool* exact) {
  scale = std::clamp(scale, 0, kMaxDecimalScale);
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  DecimalUnits value = 0;
  bool cutZeros = true;
  int digits = 0, decimals = -1;
  for (char c : text) {
    if (c == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    ++digits;
    if (decimals >= 0 && decimals == scale) {
      cutZeros = cutZeros && c == '0';
      continue;
    }
    if (value > kUnitLimit) return false;
    value = value * 10 + (c - '0');
    if (decimals >= 0) ++decimals;
  }
  if (digits == 0) return false;
  const DecimalUnits pad = DecimalScale(scale - std::max(decimals, 0));
  if (value > kUnitLimit / pad) return false;
  value *= pad;
  units = negative ? -value : value;
  if (exact) *exact = cutZeros;
  return true;
}

int DecimalPlaces(std::string_view text) {
  text = Trim(text);
  const size_t point = text.find('.');
  if (point == std::string_view::npos) return 0;
  size_t end = point + 1;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  return static_cast<int>(end - point - 1);
}

void AppendDecimal(std::string& out, DecimalUnits units, int scale) {
  scale = std::clamp(scale, 0, kMaxDecimalScale);
  const bool negative = units < 0;
  unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(units) : static_cast<unsigned __int128>(units);
  char digits[48];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0 || n <= scale);
  if (negative) out += '-';
  for (int i = n - 1; i >= 0; --i) {
    out += digits[i];
    if (i == scale && scale > 0) out += '.';
  }
}

double DecimalToDouble(DecimalUnits units, int scale) {
  return static_cast<double>(static_cast<long double>(units) / static_cast<long double>(DecimalScale(scale)));
}
