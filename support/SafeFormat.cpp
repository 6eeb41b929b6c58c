#include "support/SafeFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "support/TextUtil.h"

namespace {

constexpr std::string_view kIntegerConversions = "diuoxX";
constexpr std::string_view kFloatingConversions = "fFeEgGaA";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at `pos`; false when they exceed `limit`.
bool ReadBounded(std::string_view s, std::size_t& pos, int limit, int& value) {
  value = 0;
  while (pos < s.size() && IsDigit(s[pos])) {
    value = value * 10 + (s[pos] - '0');
    if (value > limit) return false;
    ++pos;
  }
  return true;
}

}  // namespace

int SafeFormat::Reject(std::string_view reason) {
  error_ = "Invalid format '";
  constexpr std::size_t kShown = 64;
  error_.append(source_, 0, kShown);
  if (source_.size() > kShown) error_ += "...";
  error_ += "': ";
  error_ += reason;
  prefix_.clear();
  suffix_.clear();
  textLeft_ = false;
  textWidth_ = 0;
  textPrecision_ = -1;
  plainInteger_ = kind_ == Kind::kInteger;
  plainFixed_ = -1;
  plainWidth_ = 0;
  spec_ = kind_ == Kind::kInteger ? "%lld" : kind_ == Kind::kFloating ? "%g" : "";
  return 1;
}

int SafeFormat::Prepare(std::string_view format, Kind kind) {
  kind_ = kind;
  source_.assign(format.substr(0, kMaxFormatLength + 1));
  prefix_.clear();
  suffix_.clear();
  spec_.clear();
  error_.clear();
  textLeft_ = false;
  textWidth_ = 0;
  textPrecision_ = -1;
  plainInteger_ = false;
  plainFixed_ = -1;
  plainWidth_ = 0;
  if (format.size() > kMaxFormatLength) return Reject("the format is too long");

  bool converted = false;
  std::size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos++];
    std::string& literal = converted ? suffix_ : prefix_;
    if (c != '%') {
      literal += c;
      continue;
    }
    if (pos >= format.size()) return Reject("a lone '%' at the end");
    if (format[pos] == '%') {
      literal += '%';
      ++pos;
      continue;
    }
    if (converted) return Reject("more than one conversion");
    converted = true;

    std::string flags;
    while (pos < format.size() && std::string_view("-+ #0").find(format[pos]) != std::string_view::npos) {
      if (flags.find(format[pos]) == std::string::npos) flags += format[pos];
      ++pos;
    }
    int width = 0, precision = -1;
    if (pos < format.size() && format[pos] == '*') return Reject("width taken from an argument");
    if (!ReadBounded(format, pos, kMaxWidth, width)) return Reject("the width is too large");
    if (pos < format.size() && format[pos] == '$') return Reject("positional arguments");
    if (pos < format.size() && format[pos] == '.') {
      ++pos;
      if (pos < format.size() && format[pos] == '*') return Reject("precision taken from an argument");
      if (!ReadBounded(format, pos, kMaxWidth, precision)) return Reject("the precision is too large");
    }
    // Length modifiers only say how wide the argument is; we pass a fixed type.
    if (format.compare(pos, 3, "I64") == 0 || format.compare(pos, 3, "I32") == 0) {
      pos += 3;
    } else {
      while (pos < format.size() && std::string_view("hljztqL").find(format[pos]) != std::string_view::npos) ++pos;
    }
    if (pos >= format.size()) return Reject("the conversion is incomplete");
    const char conv = format[pos++];
    const bool isInteger = kIntegerConversions.find(conv) != std::string_view::npos;
    const bool isFloating = kFloatingConversions.find(conv) != std::string_view::npos;
    if (conv == 'n') return Reject("'%n' is not allowed");
    if ((kind == Kind::kInteger && !isInteger) || (kind == Kind::kFloating && !isFloating) ||
        (kind == Kind::kText && conv != 's')) {
      return Reject(std::string("conversion '%") + conv + "' does not fit the value");
    }
    // Flags the conversion leaves undefined are refused rather than passed on.
    const std::string_view allowed = isFloating ? "-+ #0"
                                     : isInteger ? (conv == 'o' || conv == 'x' || conv == 'X' ? "-+ #0" : "-+ 0")
                                                 : "-";
    for (char f : flags) {
      if (allowed.find(f) == std::string_view::npos) return Reject(std::string("flag '") + f + "' does not fit the conversion");
    }
    // Text is padded and cut here, as a string_view value is not zero-terminated.
    textLeft_ = flags == "-";
    textWidth_ = width;
    textPrecision_ = precision;
    spec_ = '%' + flags;
    char buf[16];
    if (width > 0) spec_.append(buf, std::to_chars(buf, buf + sizeof buf, width).ptr);
    if (precision >= 0) {
      spec_ += '.';
      spec_.append(buf, std::to_chars(buf, buf + sizeof buf, precision).ptr);
    }
    if (isInteger) spec_ += "ll";
    spec_ += conv;
    if (flags.empty()) {
      plainWidth_ = width;
      plainInteger_ = conv == 'd' || conv == 'i';
      if (conv == 'f') plainFixed_ = precision < 0 ? 6 : precision;
    }
  }
  if (!converted) return Reject("no conversion");
  return 0;
}

void SafeFormat::PadPlain(std::string& out, std::size_t base) const {
  const std::size_t written = out.size() - base;
  const auto width = static_cast<std::size_t>(plainWidth_);
  if (written < width) out.insert(base, width - written, ' ');
}

template <typename T>
void SafeFormat::AppendConversion(std::string& out, T value) const {
  constexpr int kFirstTry = 64;
  const std::size_t base = out.size();
  out.resize(base + kFirstTry + 1);
  int n = std::snprintf(out.data() + base, kFirstTry + 1, spec_.c_str(), value);
  if (n > kFirstTry) {
    out.resize(base + static_cast<std::size_t>(n) + 1);
    n = std::snprintf(out.data() + base, static_cast<std::size_t>(n) + 1, spec_.c_str(), value);
  }
  out.resize(base + static_cast<std::size_t>(n < 0 ? 0 : n));
}

void SafeFormat::Append(std::string& out, long long value) const {
  out += prefix_;
  if (plainInteger_) {
    const std::size_t base = out.size();
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
    PadPlain(out, base);
  } else if (kind_ == Kind::kInteger) {
    AppendConversion(out, value);
  } else {
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
  }
  out += suffix_;
}

void SafeFormat::Append(std::string& out, double value) const {
  out += prefix_;
  if (plainFixed_ >= 0 && std::isfinite(value)) {
    const std::size_t base = out.size();
    // The whole part of a double has at most 309 digits.
    out.resize(base + 312 + static_cast<std::size_t>(plainFixed_));
    char* end = std::to_chars(out.data() + base, out.data() + out.size(), value, std::chars_format::fixed,
                              plainFixed_).ptr;
    out.resize(static_cast<std::size_t>(end - out.data()));
    PadPlain(out, base);
  } else if (kind_ == Kind::kFloating) {
    AppendConversion(out, value);
  } else {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%g", value);
    out.append(buf, static_cast<std::size_t>(n));
  }
  out += suffix_;
}

void SafeFormat::Append(std::string& out, std::string_view value) const {
  out += prefix_;
  if (kind_ == Kind::kText) {
    // Precision and width count characters: a cut never splits one.
    if (textPrecision_ >= 0) value = value.substr(0, CharacterPrefix(value, static_cast<std::size_t>(textPrecision_)));
    const std::size_t width = static_cast<std::size_t>(textWidth_);
    const std::size_t characters = CharacterCount(value);
    const std::size_t pad = characters < width ? width - characters : 0;
    if (!textLeft_) out.append(pad, ' ');
    out += value;
    if (textLeft_) out.append(pad, ' ');
  } else {
    out += value;
  }
  out += suffix_;
}
