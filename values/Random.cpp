#include "values/Random.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "support/SafeFormat.h"
#include "support/SystemRandom.h"
#include "values/Decimal.h"

namespace {

thread_local uint32_t t_state = 1;
// How the source was last started: never, from a caller's seed (a repeatable
// sequence), or from the system's entropy.
enum class SeedOrigin { kNone, kCaller, kEntropy };
thread_local SeedOrigin t_origin = SeedOrigin::kNone;
// The keyed stream: a SplitMix64 sequence, in use while t_keyed.
thread_local bool t_keyed = false;
thread_local uint64_t t_key = 0;

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

uint64_t Mix64(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A bound at `scale` decimals, rounded inwards: up for a low bound, down for
// a high one, so that no draw falls outside the bound as typed.
DecimalUnits BoundUnits(std::string_view text, int scale, bool up) {
  DecimalUnits units = 0;
  bool exact = true;
  if (!ParseDecimal(text, scale, units, &exact)) {
    // Exponents and the like, as the C library reads them.
    double d = std::strtod(std::string(text).c_str(), nullptr) * static_cast<double>(DecimalScale(scale));
    d = up ? std::ceil(d) : std::floor(d);
    if (!std::isfinite(d)) d = 0;
    return static_cast<DecimalUnits>(std::clamp(d, -1e36, 1e36));
  }
  if (!exact) {
    const size_t first = text.find_first_not_of(" \t");
    const bool negative = first != std::string_view::npos && text[first] == '-';
    if (up && !negative) ++units;
    if (!up && negative) --units;
  }
  return units;
}

}  // namespace

double RandomDecimal(std::string_view low, std::string_view high, int scale) {
  scale = std::clamp(scale, 0, kMaxDecimalScale);
  DecimalUnits from = BoundUnits(low, scale, true);
  DecimalUnits to = BoundUnits(high, scale, false);
  if (from > to) {
    // Reversed bounds are taken the right way round; bounds with no value of
    // this scale between them give the low one.
    const DecimalUnits reversedFrom = BoundUnits(high, scale, true), reversedTo = BoundUnits(low, scale, false);
    if (reversedFrom <= reversedTo) {
      from = reversedFrom;
      to = reversedTo;
    } else {
      to = from;
    }
  }
  const auto span = static_cast<unsigned __int128>(to - from);
  const uint64_t count = span >= UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(span) + 1;
  return DecimalToDouble(from + static_cast<DecimalUnits>(UniformBelow(count)), scale);
}

void SeedRandomSource(uint32_t seed) {
  t_state = seed;
  t_origin = SeedOrigin::kCaller;
}

void SeedRandomSourceFromEntropy() {
  if (t_origin == SeedOrigin::kEntropy) return;
  uint32_t seed = 0;
  if (!SystemRandomBytes(reinterpret_cast<unsigned char*>(&seed), sizeof seed)) {
    // No system entropy: the nanosecond clock still differs between processes.
    seed = static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  }
  t_state = seed;
  t_origin = SeedOrigin::kEntropy;
}

bool RandomSourceIsRepeatable() { return t_origin == SeedOrigin::kCaller; }

void KeyRandomSource(uint64_t seed, uint64_t stream, uint64_t counter) {
  t_key = Mix64(Mix64(Mix64(seed + kGolden) ^ (stream * kGolden)) + counter);
  t_keyed = true;
}

void UnkeyRandomSource() { t_keyed = false; }

int RandomDraw() {
  if (t_keyed) {
    t_key += kGolden;
    return static_cast<int>(Mix64(t_key) >> 49);
  }
  t_state = t_state * 1103515245u + 12345u;
  return static_cast<int>((t_state / 65536u) % 32768u);
}

uint64_t UniformBelow(uint64_t n) {
  if (n <= 1) return 0;
  // Just enough 15-bit draws for the bits of n - 1; a draw of n or more is
  // thrown away rather than folded back, which would favour the low values.
  const int bits = std::bit_width(n - 1);
  const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  for (;;) {
    uint64_t r = 0;
    for (int have = 0; have < bits; have += 15) r = (r << 15) | static_cast<uint64_t>(RandomDraw());
    r &= mask;
    if (r < n) return r;
  }
}

int RandomBelow(int n) {
  if (n == 0) return RandomDraw();
  return static_cast<int>(UniformBelow(static_cast<uint64_t>(n < 0 ? -static_cast<int64_t>(n) : n)));
}

int32_t Random31() {
  const int32_t high = RandomDraw();
  return high * 65536 + RandomDraw();
}

int32_t Random32Below(int32_t n) {
  if (n <= 0) return 0;
  return static_cast<int32_t>(UniformBelow(static_cast<uint64_t>(n)));
}

int64_t Random64Below(int64_t n) {
  if (n <= 0) return 0;
  return static_cast<int64_t>(UniformBelow(static_cast<uint64_t>(n)));
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
  std::array<unsigned char, kBytes> seeded;
  unsigned char* id = seeded.data();
  if (RandomSourceIsRepeatable()) {
    // A repeatable run repeats its identifiers too.
    for (unsigned char& byte : seeded) byte = static_cast<unsigned char>(RandomDraw() >> 7);
  } else {
    if (used == kBlock) {
      if (!SystemRandomBytes(pool.data(), kBlock)) return false;
      used = 0;
    }
    id = pool.data() + used;
    used += kBytes;
  }
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

double RandomFloatValue(std::string_view from, std::string_view to, int decimals, std::string_view distribution,
                        double sigma) {
  if (distribution == "Normal" || distribution == "N" || distribution == "Linear" || distribution == "L") {
    const double low = std::strtod(std::string(from).c_str(), nullptr);
    const double high = std::strtod(std::string(to).c_str(), nullptr);
    double v = distribution[0] == 'N' ? NormalDraw((low + high) * 0.5, sigma) : LinearDraw(low, high - low);
    if (v < low) v = low;
    if (v > high) v = high;
    return v;
  }
  return RandomDecimal(from, to, decimals);
}

int RandomFloatInRange(std::string& out, std::string_view from, std::string_view to, int decimals,
                       std::string_view format, std::string_view distribution, double sigma,
                       std::string* formatError) {
  const double v = RandomFloatValue(from, to, decimals, distribution, sigma);
  const SafeFormat prepared(format, SafeFormat::Kind::kFloating);
  out.clear();
  prepared.Append(out, v);
  if (!prepared.ok() && formatError) *formatError = prepared.Error();
  return prepared.ok() ? 0 : 1;
}

void StringGenerator::SeedRandom(uint32_t seed, std::string_view characterSet) {
  seeded_ = true;
  if (seed != 0) {
    SeedRandomSource(seed);
  } else {
    SeedRandomSourceFromEntropy();
  }
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
