// printf-style templates that come from users (column formats, pattern
// parameters), checked once and then applied to many values.
//
// A template is accepted when it holds exactly one conversion of the expected
// kind and nothing that could read an argument that is not there or write
// through one:
//   integer:  d i u o x X        floating: f F e E g G a A        text: s
//   flags "-+ #0" (as the conversion allows), width and precision as literal
//   digits up to kMaxWidth (no "*", no "n$" positions), length modifiers
//   hh h l ll j z t q and "I64"/"I32" for integers, l L for floating ones (the
//   value is always passed as long long, double or a string, so the modifier
//   only widens), and "%%" for a literal percent sign anywhere.
// "%n", "%s" in a numeric template, a second conversion, a lone "%" and
// templates longer than kMaxFormatLength are rejected. A rejected template
// prints the value in the default way (integers "%lld", floating "%g", text as
// it is) and keeps an error message the caller can report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class SafeFormat {
 public:
  enum class Kind { kInteger, kFloating, kText };

  static constexpr std::size_t kMaxFormatLength = 4096;
  static constexpr int kMaxWidth = 4096;

  SafeFormat() = default;
  SafeFormat(std::string_view format, Kind kind) { Prepare(format, kind); }

  // Checks and prepares `format`; returns 0 when accepted, 1 when rejected
  // (Error() then says why; the object still formats, in the default way).
  int Prepare(std::string_view format, Kind kind);

  bool ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  Kind kind() const { return kind_; }
  // The template as given to Prepare.
  const std::string& source() const { return source_; }

  // Append the value written through the template. REQUIRES: the overload
  // matches kind(); a mismatched value is written in the default way.
  void Append(std::string& out, long long value) const;
  void Append(std::string& out, double value) const;
  void Append(std::string& out, std::string_view value) const;

 private:
  int Reject(std::string_view reason);
  // Appends the output of snprintf(spec_, value) without a size limit of its own.
  template <typename T>
  void AppendConversion(std::string& out, T value) const;

  Kind kind_ = Kind::kText;
  std::string source_;
  std::string prefix_;  // literal text before the conversion, "%%" already collapsed
  std::string suffix_;  // literal text after it
  std::string spec_;    // the conversion rebuilt for snprintf, e.g. "%-08.3lld"
  std::string error_;
  // A "%d" ("%lld", "%I64d", ...) or "%f" ("%.Nf") without flags, with or
  // without a width: written with std::to_chars, which prints what printf
  // prints for them, and padded on the left to the width.
  void PadPlain(std::string& out, std::size_t base) const;
  bool plainInteger_ = false;
  int plainFixed_ = -1;  // the precision of a plain "%f", else -1
  int plainWidth_ = 0;
  bool textLeft_ = false;  // the text conversion: "-" flag, width, precision (-1: none)
  int textWidth_ = 0;
  int textPrecision_ = -1;
};
