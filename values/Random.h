// The random source and the draws built on it.
//
// The source yields 15-bit draws (0..32767) from a linear congruential
// generator of our own, so a seed gives the same sequence on every machine and
// every C library. Each thread has its own source: a run draws on its worker
// thread, and a repeatable run depends on nothing else drawing meanwhile,
// also when several runs (the shards of one process) go on at once.
//
// A keyed source serves runs made in parts: every row draws from a stream of
// its own, a function of (seed, rule, row) alone, so a row comes out the same
// whichever part makes it and whatever came before it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Restarts the source at `seed`: the sequence that follows, GUIDs included,
// is the same in every run.
void SeedRandomSource(uint32_t seed);
// Starts the source from the system's entropy, unless it already was: a
// process that asks for no particular seed is seeded once, and its runs and
// rules go on with one sequence instead of restarting it.
void SeedRandomSourceFromEntropy();
// Whether the source was last started from a caller's seed.
bool RandomSourceIsRepeatable();

// Switches this thread's source to the stream keyed by (seed, stream,
// counter): the draws that follow depend on those three numbers only. The
// stream has 64 bits of state, so rows of different keys practically never
// share their draws.
void KeyRandomSource(uint64_t seed, uint64_t stream, uint64_t counter);
// Back to the sequential source, as it stood before keying.
void UnkeyRandomSource();
// Keys the source for a scope (when `on`) and puts the sequential source back after.
class ScopedRandomKey {
 public:
  ScopedRandomKey(bool on, uint64_t seed, uint64_t stream, uint64_t counter) : on_(on) {
    if (on_) KeyRandomSource(seed, stream, counter);
  }
  ~ScopedRandomKey() {
    if (on_) UnkeyRandomSource();
  }
  ScopedRandomKey(const ScopedRandomKey&) = delete;
  ScopedRandomKey& operator=(const ScopedRandomKey&) = delete;

 private:
  bool on_;
};

// Next draw, 0..32767.
int RandomDraw();
// Uniform over 0..n-1, every value equally likely (0 for n <= 1).
uint64_t UniformBelow(uint64_t n);
// n = 0: the plain draw; otherwise uniform over 0..|n|-1.
int RandomBelow(int n);
// Two draws, the first as the high half: 0..2147450879.
int32_t Random31();
// Uniform over 0..n-1; 0 for n <= 0 (no room to draw in).
int32_t Random32Below(int32_t n);
int64_t Random64Below(int64_t n);
// Normal deviate by the polar method.
double NormalDraw(double mean, double sigma);
// Value in [from, from + span] whose density rises linearly towards from + span.
double LinearDraw(double from, double span);

// Letter or digit chosen by a 16-bit value.
char AlnumChar(int v);
// '0'..'9', 'A'..'F'.
char HexChar();

// Appends a new random (version 4) UUID in its 36-character lower-case text
// form: from the source when it was seeded by a caller (a repeatable run),
// else from the system's random bytes. Returns false, appending nothing, when
// the system gives no random bytes.
bool AppendRandomUuid(std::string& out);

// Uniform over the numbers of `scale` decimals (0..18) from `low` to `high`,
// both included (reversed bounds are swapped).
double RandomDecimal(std::string_view low, std::string_view high, int scale);

// Random decimal between two numbers, printed with a printf-style floating
// format (checked: a format that is not one floating conversion prints "%g"
// and `formatError` receives why). `distribution` "Normal"/"N" or
// "Linear"/"L", anything else uniform. `decimals` is kept within 0..18.
// Returns 0, or 1 when the format was rejected.
int RandomFloatInRange(std::string& out, std::string_view from, std::string_view to, int decimals,
                       std::string_view format, std::string_view distribution, double sigma,
                       std::string* formatError = nullptr);
// The number RandomFloatInRange prints, for callers that keep their format.
double RandomFloatValue(std::string_view from, std::string_view to, int decimals, std::string_view distribution,
                        double sigma);

// Generator of random text over the run's character set. One instance serves
// a whole run.
class StringGenerator {
 public:
  // Longest text RandomText makes in one call; longer requests are cut to it.
  static constexpr int kMaxTextLength = 16 * 1024 * 1024;
  static constexpr std::string_view kDefaultCharSet = " -+/_*#$=<>~!@|\\()&^.;:{}[],?";

  // Seeds the process-wide source with `seed`, or once from entropy when
  // `seed` is 0 (see SeedRandomSourceFromEntropy), and takes the character set.
  void SeedRandom(uint32_t seed, std::string_view characterSet);
  bool seeded() const { return seeded_; }
  const std::string& characterSet() const { return charSet_; }

  // One character: from the character set with `percentage` percent
  // probability (when the set is not empty), else a letter or digit.
  char RandomChar(int percentage) const;

  // Appends `length` characters (nothing for length < 1). With `oracleChunks`
  // and length >= 4000 the text is written as to_clob('...') pieces of at most
  // 4000 characters joined by " || ".
  void RandomText(std::string& out, int length, int percentage, bool hexOnly, bool oracleChunks);

 private:
  static constexpr int kChunk = 4000;
  std::string charSet_{kDefaultCharSet};
  bool seeded_ = false;
  std::array<char, kChunk + 1> chunk_{};
};

struct UnicodeBlock {
  const char* name;
  int from;
  int to;
};
// The 17 Unicode blocks offered for random text.
const std::array<UnicodeBlock, 17>& UnicodeBlocks();
