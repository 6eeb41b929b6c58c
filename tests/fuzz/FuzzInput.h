// The inputs of a fuzz target that takes several: the fuzzer's bytes cut into
// fields at line ends, so that seeds stay readable text files ("DD.MM.YYYY\n
// 05.03.2013\n..."). A field that is asked for after the bytes ran out is
// empty and reads as the number 0: every byte string is a valid input and
// means something. FuzzAssert reports a property that fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

class FuzzInput {
 public:
  static constexpr char kSeparator = '\n';

  FuzzInput(const uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  bool Done() const { return done_; }

  // The next field: the bytes up to the next separator, or the rest of the
  // input when there is none.
  std::string_view Text() {
    const std::size_t end = rest_.find(kSeparator);
    const std::string_view field = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      rest_ = {};
      done_ = true;
    } else {
      rest_.remove_prefix(end + 1);
    }
    return field;
  }

  // The next field read as a decimal number with an optional '-', brought
  // into [low, high]: values within it stand as they are, others are reduced
  // into it, so that the fuzzer reaches every value from any digits.
  // REQUIRES: low <= high.
  int Number(int low, int high) {
    const std::string_view field = Text();
    const bool negative = !field.empty() && field[0] == '-';
    int64_t value = 0;
    for (std::size_t i = negative ? 1 : 0; i < field.size(); ++i) {
      if (field[i] < '0' || field[i] > '9') break;
      value = value * 10 + (field[i] - '0');
      if (value > int64_t{1} << 40) break;  // far out of range already
    }
    if (negative) value = -value;
    const int64_t span = int64_t{high} - low + 1;
    if (value < low || value > high) value = low + ((value - low) % span + span) % span;
    return static_cast<int>(value);
  }

 private:
  std::string_view rest_;
  bool done_ = false;
};

// Stops the run when a property of the code under test does not hold; the
// fuzzer then keeps the input as a crash. `detail` names the values involved.
inline void FuzzAssert(bool holds, std::string_view what, std::string_view detail = {}) {
  if (holds) return;
  std::fprintf(stderr, "property failed: %.*s [%.*s]\n", static_cast<int>(what.size()), what.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}
