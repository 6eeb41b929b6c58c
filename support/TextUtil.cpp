#include "support/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <cctype>

std::string TrimText(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           // ASCII only, without the locale call per character.
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string UnquoteIdentifier(std::string_view name) {
  if (name.size() < 2) return std::string(name);
  char open = name.front(), close = name.back();
  bool quoted = (open == '"' && close == '"') || (open == '[' && close == ']') || (open == '`' && close == '`');
  if (!quoted) return std::string(name);
  std::string out;
  std::string_view inner = name.substr(1, name.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    out += inner[i];
    if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
  }
  return out;
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

size_t CharacterPrefix(std::string_view text, size_t characters) {
  size_t started = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && started++ == characters) return i;
  }
  return text.size();
}

size_t HeldTextBytes(const std::vector<std::string>& texts) {
  size_t bytes = texts.capacity() * sizeof(std::string);
  for (const std::string& text : texts) {
    // Short texts live inside the string object itself.
    if (text.capacity() > 15) bytes += text.capacity() + 1;
  }
  return bytes;
}

std::string SqlStringLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::optional<int64_t> WholeNumber(std::string_view text, int64_t low, int64_t high) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
  return value;
}
