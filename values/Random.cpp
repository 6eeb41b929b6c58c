#include "values/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "support/SafeFormat.h"
#include "support/SystemRandom.h"

namespace {

uint32_t g_state = 1;

// Saturating conversion: a bound typed as 1e300 must not be undefined behaviour.
int64_t ToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

}  // namespace

void SeedRandomSource(uint32_t seed) { g_state = seed; }

int RandomDraw() {
  g_state = g_state * 1103515245u + 12345u;
  return static_cast<int>((g_state / 65536u) % 32768u);
}

int RandomBelow(int n) {
  const int16_t draw = static_cast<int16_t>(RandomDraw());
  return n == 0 ? draw : draw % n;
}

int32_t Random31() {
  const int32_t high = RandomDraw();
  return high * 65536 + RandomDraw();
}

int32_t Random32Below(int32_t n) {
  if (n >= 32767) return Random31();
  if (n <= 0) return 0;
  return RandomDraw() % n;
}

int64_t Random64Below(int64_t n) {
  if (n == 0) return 0;
  if (n < 32767) return RandomDraw() % n;
  int64_t r = Random31();
  if (n > (int64_t{1} << 31)) r += static_cast<int64_t>(RandomDraw()) << 32;
  return r % n;
}

int64_t UniformBelow(int64_t n) {
  constexpr uint64_t kDraws = 32768;
  if (n < 2) return 0;
  const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(n), uint64_t{1} << 60);
  uint64_t range = 1;
  while (range < count) range *= kDraws;
  const uint64_t accepted = range - range % count;
  for (;;) {
    uint64_t r = 0;
    for (uint64_t covered = 1; covered < count; covered *= kDraws) r = r * kDraws + static_cast<uint64_t>(RandomDraw());
    if (r < accepted) return static_cast<int64_t>(r % count);
  }
}

double NormalDraw(double mean, double sigma) {
  double u1 = 0, s = 0;
  do {
    u1 = 1.0 - RandomDraw() * (2.0 / 32760.0);
    const double u2 = 1.0 - RandomDraw() * (2.0 / 32760.0);
    s = u1 * u1 + u2 * u2;
  } while (s == 0.0 || s > 1.0);
  return u1 * std::sqrt(-2.0 * std::log(s) / s) * sigma + mean;
}

double LinearDraw(double from, double span) {
  double x = 0, y = 0;
  do {
    x = 1.0 - RandomDraw() / 32760.0;
    y = 1.0 - RandomDraw() / 32760.0;
  } while (x > y);
  return y * span + from;
}

char AlnumChar(int v) {
  const unsigned u = static_cast<uint16_t>(v);
  if (u % 52 >= 36) return static_cast<char>('A' + u % 26);
  if (u % 36 <= 26) return static_cast<char>('a' + u % 26);
  return static_cast<char>('0' + u % 10);
}

char HexChar() {
  const int d = RandomDraw() % 16;
  return static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
}

bool AppendRandomUuid(std::string& out) {
  // The system's bytes come in blocks: one call to the kernel for many UUIDs.
  constexpr std::size_t kBytes = 16;
  constexpr std::size_t kBlock = kBytes * 256;
  thread_local std::array<unsigned char, kBlock> pool;
  thread_local std::size_t used = kBlock;
  if (used == kBlock) {
    if (!SystemRandomBytes(pool.data(), kBlock)) return false;
    used = 0;
  }
  unsigned char* id = pool.data() + used;
  used += kBytes;
  id[6] = static_cast<unsigned char>((id[6] & 0x0F) | 0x40);  // version 4
  id[8] = static_cast<unsigned char>((id[8] & 0x3F) | 0x80);  // RFC 4122 variant
  constexpr std::string_view kDigits = "0123456789abcdef";
  char text[36];
  std::size_t t = 0;
  for (std::size_t i = 0; i < kBytes; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[t++] = '-';
    text[t++] = kDigits[id[i] >> 4];
    text[t++] = kDigits[id[i] & 0x0F];
  }
  out.append(text, sizeof text);
  return true;
}

int RandomFloatInRange(std::string& out, std::string_view from, std::string_view to, int decimals,
                       std::string_view format, std::string_view distribution, double sigma,
                       std::string* formatError) {
  const double low = std::strtod(std::string(from).c_str(), nullptr);
  const double high = std::strtod(std::string(to).c_str(), nullptr);
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;  // 10^19 does not fit 64 bits
  int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;

  double v = low;
  if (distribution == "Normal" || distribution == "N" || distribution == "Linear" || distribution == "L") {
    v = distribution[0] == 'N' ? NormalDraw((low + high) * 0.5, sigma) : LinearDraw(low, high - low);
    if (v < low) v = low;
    if (v > high) v = high;
  } else {
    const int64_t lowInt = ToInt64(low), highInt = ToInt64(high);
    int64_t span = 0;
    if (__builtin_sub_overflow(highInt, lowInt, &span) || span < 0) span = 0;
    if (span != 0) v += static_cast<double>(Random64Below(span));
    if (decimals > 0) v += static_cast<double>(Random64Below(scale)) / static_cast<double>(scale);
  }
  const SafeFormat prepared(format, SafeFormat::Kind::kFloating);
  out.clear();
  prepared.Append(out, v);
  if (!prepared.ok() && formatError) *formatError = prepared.Error();
  return prepared.ok() ? 0 : 1;
}

void StringGenerator::SeedRandom(uint32_t seed, std::string_view characterSet) {
  seeded_ = true;
  SeedRandomSource(seed != 0 ? seed : static_cast<uint32_t>(std::time(nullptr)));
  charSet_.assign(characterSet);
}

char StringGenerator::RandomChar(int percentage) const {
  const int r = RandomDraw();
  if (percentage != 0 && !charSet_.empty() && r % 100 <= percentage) {
    return charSet_[static_cast<std::size_t>(r) % charSet_.size()];
  }
  return AlnumChar(r);
}

void StringGenerator::RandomText(std::string& out, int length, int percentage, bool hexOnly,
                                 bool oracleChunks) {
  if (length < 1) return;
  if (length > kMaxTextLength) length = kMaxTextLength;
  const bool asClob = oracleChunks && length >= kChunk;
  bool first = true;
  for (int remaining = length; remaining > 0;) {
    const int n = remaining < kChunk ? remaining : kChunk;
    for (int i = 0; i < n; ++i) chunk_[static_cast<std::size_t>(i)] = hexOnly ? HexChar() : RandomChar(percentage);
    chunk_[static_cast<std::size_t>(n)] = '\0';
    if (asClob) {
      if (!first || !out.empty()) out += " || ";
      out += "to_clob('";
      out.append(chunk_.data(), static_cast<std::size_t>(n));
      out += "')";
    } else {
      out.append(chunk_.data(), static_cast<std::size_t>(n));
    }
    first = false;
    remaining -= n;
  }
}

const std::array<UnicodeBlock, 17>& UnicodeBlocks() {
  static constexpr std::array<UnicodeBlock, 17> kBlocks = {{
      {"Basic Latin", 32, 126},
      {"Latin-1 Supplement", 160, 255},
      {"Extended-A", 256, 383},
      {"Extended-B", 384, 535},
      {"IPA Extensions", 592, 680},
      {"Greek and Coptic", 913, 1011},
      {"Cyrillic", 1025, 1103},
      {"Hebrew", 1424, 1535},
      {"Arabic", 1536, 1791},
      {"Syriac", 1792, 1871},
      {"Bengali", 2432, 2559},
      {"Thai", 3584, 3711},
      {"Lao", 3712, 3839},
      {"Mongolian", 6144, 6319},
      {"CJK Unified Ideographs Extension A", 13312, 19903},
      {"CJK Unified Ideographs", 19968, 40959},
      {"Hangul", 44032, 55215},
  }};
  return kBlocks;
}
