#include "support/ScriptParser.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Length of the "go" line starting at `pos` (including its line end), or 0
// when the line is something else.
size_t GoLineLength(std::string_view s, size_t pos) {
  size_t i = pos;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i + 2 > s.size() || (s[i] != 'g' && s[i] != 'G') || (s[i + 1] != 'o' && s[i + 1] != 'O')) {
    return 0;
  }
  i += 2;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
  if (i < s.size() && s[i] != '\n') return 0;
  return i < s.size() ? i + 1 - pos : i - pos;
}

}  // namespace

void CParse::Emit(std::string_view text, bool hasCode) {
  if (!hasCode) return;  // blanks and comments only
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  statements_.emplace_back(text.substr(first, last - first));
}

int CParse::Parse(std::string_view script, int flag) {
  statements_.clear();
  const bool splitAtSemicolon = (flag & kGoOnly) == 0;
  size_t start = 0;      // first character of the current statement
  bool hasCode = false;  // the current statement has more than blanks and comments
  bool lineStart = true;
  size_t i = 0;
  while (i < script.size()) {
    if (lineStart) {
      lineStart = false;
      if (size_t go = GoLineLength(script, i)) {
        Emit(script.substr(start, i - start), hasCode);
        i += go;
        start = i;
        hasCode = false;
        lineStart = true;
        continue;
      }
    }
    char c = script[i];
    if (c == '\n') {
      lineStart = true;
      ++i;
    } else if (c == ';' && splitAtSemicolon) {
      Emit(script.substr(start, i - start), hasCode);
      start = ++i;
      hasCode = false;
    } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      size_t end = script.find('\n', i);
      i = end == std::string_view::npos ? script.size() : end;  // the '\n' starts a line
    } else if (c == '/' && i + 1 < script.size() && script[i + 1] == '*') {
      size_t end = script.find("*/", i + 2);
      i = end == std::string_view::npos ? script.size() : end + 2;
    } else if (c == '\'' || c == '"' || c == '`') {
      // A doubled quote inside reads as an embedded quote: it simply closes and
      // reopens the quoted text.
      size_t end = script.find(c, i + 1);
      i = end == std::string_view::npos ? script.size() : end + 1;
      hasCode = true;
    } else {
      if (!IsBlank(c)) hasCode = true;
      ++i;
    }
  }
  Emit(script.substr(start), hasCode);
  return static_cast<int>(statements_.size());
}

bool CParse::NeedQuote(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return true;
  for (char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return true;
  }
  return false;
}
