#include "quarnel/CheckClauses.h"

#include <cctype>
#include <string_view>

#include "support/TextUtil.h"

namespace {

enum class Kind { kIdent, kNumber, kString, kOp, kPunct };

struct Token {
  Kind kind;
  std::string text;  // identifiers and strings without their quotes
  size_t begin;      // span in the source text, for messages
  size_t end;
};

using Tokens = std::vector<Token>;

bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}
bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Returns false on an unterminated string or quoted name.
bool Tokenize(const std::string& s, Tokens* out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const char c = s[i];
    const size_t begin = i;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '\'') {
      std::string value;
      for (++i;; ++i) {
        if (i >= n) return false;
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') {
            value += '\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        value += s[i];
      }
      out->push_back({Kind::kString, value, begin, i});
    } else if (c == '"' || c == '`' || c == '[') {
      // A quoted name; a "[" that follows ARRAY is an array bracket instead.
      if (c == '[' && !out->empty() && EqualsNoCase(out->back().text, "ARRAY") &&
          out->back().kind == Kind::kIdent) {
        out->push_back({Kind::kPunct, "[", begin, ++i});
        continue;
      }
      const char close = c == '[' ? ']' : c;
      size_t stop = s.find(close, i + 1);
      if (stop == std::string::npos) return false;
      out->push_back({Kind::kIdent, s.substr(i + 1, stop - i - 1), begin, stop + 1});
      i = stop + 1;
    } else if (Digit(c) || (c == '.' && i + 1 < n && Digit(s[i + 1]))) {
      while (i < n && (Digit(s[i]) || s[i] == '.')) ++i;
      if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && Digit(s[j])) {
          i = j;
          while (i < n && Digit(s[i])) ++i;
        }
      }
      out->push_back({Kind::kNumber, s.substr(begin, i - begin), begin, i});
    } else if (IdentStart(c)) {
      while (i < n && (IdentChar(s[i]) || (s[i] == '.' && i + 1 < n && IdentStart(s[i + 1])))) ++i;
      out->push_back({Kind::kIdent, s.substr(begin, i - begin), begin, i});
    } else if (c == ':' && i + 1 < n && s[i + 1] == ':') {
      i += 2;
      out->push_back({Kind::kOp, "::", begin, i});
    } else if ((c == '>' || c == '<' || c == '!') && i + 1 < n && (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) {
      i += 2;
      out->push_back({Kind::kOp, s.substr(begin, 2), begin, i});
    } else if (c == '(' || c == ')' || c == '[' || c == ']' || c == ',') {
      out->push_back({Kind::kPunct, std::string(1, c), begin, ++i});
    } else {
      out->push_back({Kind::kOp, std::string(1, c), begin, ++i});
    }
  }
  return true;
}

bool IsWord(const Token& t, std::string_view word) {
  return t.kind == Kind::kIdent && EqualsNoCase(t.text, word);
}
bool IsPunct(const Token& t, char c) { return t.kind == Kind::kPunct && t.text.size() == 1 && t.text[0] == c; }

bool IsKeyword(const Token& t) {
  for (std::string_view word : {"AND", "OR", "NOT", "IN", "BETWEEN", "ANY", "IS", "LIKE", "NULL", "ARRAY"})
    if (IsWord(t, word)) return true;
  return false;
}

// Removes what does not change the reading: casts ("::numeric",
// "::character varying(10)[]"), signs glued to numbers, and parentheses
// around a single name or value.
Tokens Simplify(const Tokens& in) {
  Tokens out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i].kind == Kind::kOp && in[i].text == "::") {
      size_t j = i + 1;
      while (j < in.size() && in[j].kind == Kind::kIdent && !IsKeyword(in[j])) ++j;
      if (j < in.size() && IsPunct(in[j], '(')) {
        size_t k = j + 1;
        while (k < in.size() && (in[k].kind == Kind::kNumber || IsPunct(in[k], ','))) ++k;
        if (k < in.size() && IsPunct(in[k], ')')) j = k + 1;
      }
      while (j + 1 < in.size() && IsPunct(in[j], '[') && IsPunct(in[j + 1], ']')) j += 2;
      if (!out.empty()) out.back().end = in[j - 1].end;
      i = j - 1;
      continue;
    }
    if (in[i].kind == Kind::kOp && (in[i].text == "-" || in[i].text == "+") && i + 1 < in.size() &&
        in[i + 1].kind == Kind::kNumber &&
        (out.empty() || out.back().kind == Kind::kOp || out.back().kind == Kind::kPunct || IsKeyword(out.back()))) {
      Token number = in[i + 1];
      number.begin = in[i].begin;
      if (in[i].text == "-") number.text = "-" + number.text;
      out.push_back(number);
      ++i;
      continue;
    }
    out.push_back(in[i]);
  }
  // "(x)" -> "x", but not the parentheses of a call or of an IN list.
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = 0; i + 2 < out.size(); ++i) {
      if (!IsPunct(out[i], '(') || !IsPunct(out[i + 2], ')') || out[i + 1].kind == Kind::kOp ||
          out[i + 1].kind == Kind::kPunct)
        continue;
      if (i > 0 && out[i - 1].kind == Kind::kIdent &&
          (!IsKeyword(out[i - 1]) || IsWord(out[i - 1], "IN") || IsWord(out[i - 1], "ANY")))
        continue;  // a call, or IN (x) / ANY (x)
      out.erase(out.begin() + static_cast<long>(i + 2));
      out.erase(out.begin() + static_cast<long>(i));
      changed = true;
    }
  }
  return out;
}

struct Range {
  size_t from;
  size_t to;  // past the end
  size_t size() const { return to - from; }
};

// Index of the parenthesis or bracket that closes the one at `open`, or `to`.
size_t Matching(const Tokens& t, size_t open, size_t to) {
  int depth = 0;
  for (size_t i = open; i < to; ++i) {
    if (IsPunct(t[i], '(') || IsPunct(t[i], '[')) ++depth;
    if ((IsPunct(t[i], ')') || IsPunct(t[i], ']')) && --depth == 0) return i;
  }
  return to;
}

Range StripParens(const Tokens& t, Range r) {
  while (r.size() >= 2 && IsPunct(t[r.from], '(') && Matching(t, r.from, r.to) == r.to - 1) {
    ++r.from;
    --r.to;
  }
  return r;
}

// Splits at the top-level `word` (AND or OR); the AND that belongs to a
// BETWEEN stays inside its clause.
std::vector<Range> SplitTop(const Tokens& t, Range r, std::string_view word) {
  std::vector<Range> parts;
  int depth = 0;
  bool between = false;
  size_t start = r.from;
  for (size_t i = r.from; i < r.to; ++i) {
    if (IsPunct(t[i], '(') || IsPunct(t[i], '[')) ++depth;
    if (IsPunct(t[i], ')') || IsPunct(t[i], ']')) --depth;
    if (depth != 0) continue;
    if (IsWord(t[i], "BETWEEN")) between = true;
    if (IsWord(t[i], word)) {
      if (word == "AND" && between) {
        between = false;
        continue;
      }
      parts.push_back({start, i});
      start = i + 1;
    }
  }
  parts.push_back({start, r.to});
  return parts;
}

class ClauseReader {
 public:
  ClauseReader(const std::string& source, const Tokens& tokens, const std::string& column,
               CheckReading* reading)
      : source_(source), t_(tokens), column_(column), reading_(reading) {}

  void Conjunction(Range r) {
    r = StripParens(t_, r);
    if (r.size() == 0) return;
    std::vector<Range> parts = SplitTop(t_, r, "AND");
    if (parts.size() > 1) {
      for (const Range& part : parts) Conjunction(part);
      return;
    }
    if (!Mentions(r)) return;
    std::vector<Range> alternatives = SplitTop(t_, r, "OR");
    if (alternatives.size() > 1) {
      Alternatives(r, alternatives);
      return;
    }
    CheckCondition condition;
    if (Comparison(r, &condition)) {
      reading_->conditions.push_back(std::move(condition));
    } else {
      Fail(r);
    }
  }

 private:
  bool IsColumn(const Token& token) const {
    if (token.kind != Kind::kIdent) return false;
    std::string_view name = token.text;
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);
    return EqualsNoCase(name, column_);
  }

  bool Mentions(Range r) const {
    for (size_t i = r.from; i < r.to; ++i)
      if (IsColumn(t_[i])) return true;
    return false;
  }

  void Fail(Range r) {
    reading_->failures.push_back(source_.substr(t_[r.from].begin, t_[r.to - 1].end - t_[r.from].begin));
  }

  static bool IsValue(const Token& token) { return token.kind == Kind::kNumber || token.kind == Kind::kString; }

  // Values separated by commas filling the whole range.
  bool ValueList(Range r, std::vector<std::string>* values) const {
    if (r.size() == 0) return false;
    for (size_t i = r.from; i < r.to; i += 2) {
      if (!IsValue(t_[i])) return false;
      values->push_back(t_[i].text);
      if (i + 1 < r.to && !IsPunct(t_[i + 1], ',')) return false;
    }
    return !IsPunct(t_[r.to - 1], ',');
  }

  bool Comparison(Range r, CheckCondition* out) const {
    const Token* a = &t_[r.from];
    if (r.size() == 3 && t_[r.from + 1].kind == Kind::kOp) {
      std::string op = t_[r.from + 1].text;
      const Token* b = &t_[r.from + 2];
      if (!IsColumn(*a)) {
        // "0 < x" reads as "x > 0".
        std::swap(a, b);
        if (op[0] == '<') op[0] = '>';
        else if (op[0] == '>') op[0] = '<';
      }
      if (!IsColumn(*a) || !IsValue(*b)) return false;
      if (op != ">" && op != ">=" && op != "<" && op != "<=" && op != "=") return false;
      out->op = op;
      out->values = {b->text};
      return true;
    }
    if (!IsColumn(*a) || r.size() < 3) return false;
    const Token& keyword = t_[r.from + 1];
    if (IsWord(keyword, "BETWEEN")) {
      if (r.size() != 5 || !IsValue(t_[r.from + 2]) || !IsWord(t_[r.from + 3], "AND") || !IsValue(t_[r.from + 4]))
        return false;
      out->op = "BETWEEN";
      out->values = {t_[r.from + 2].text, t_[r.from + 4].text};
      return true;
    }
    if (IsWord(keyword, "IN")) {
      Range list{r.from + 2, r.to};
      if (!IsPunct(t_[list.from], '(') || Matching(t_, list.from, list.to) != list.to - 1) return false;
      out->op = "IN";
      return ValueList({list.from + 1, list.to - 1}, &out->values);
    }
    // PostgreSQL's form of IN: x = ANY (ARRAY[...]).
    if (keyword.kind == Kind::kOp && keyword.text == "=" && r.size() > 3 && IsWord(t_[r.from + 2], "ANY")) {
      Range list = StripParens(t_, {r.from + 3, r.to});
      if (list.size() < 3 || !IsWord(t_[list.from], "ARRAY") || !IsPunct(t_[list.from + 1], '[') ||
          Matching(t_, list.from + 1, list.to) != list.to - 1)
        return false;
      out->op = "IN";
      return ValueList({list.from + 2, list.to - 1}, &out->values);
    }
    return false;
  }

  // x = 'a' OR x = 'b' OR x IN (...): one list of every value.
  void Alternatives(Range whole, const std::vector<Range>& alternatives) {
    CheckCondition merged;
    merged.op = "IN";
    for (const Range& alternative : alternatives) {
      CheckCondition one;
      Range part = StripParens(t_, alternative);
      if (part.size() == 0 || !Comparison(part, &one) || (one.op != "=" && one.op != "IN")) {
        Fail(whole);
        return;
      }
      merged.values.insert(merged.values.end(), one.values.begin(), one.values.end());
    }
    reading_->conditions.push_back(std::move(merged));
  }

  const std::string& source_;
  const Tokens& t_;
  const std::string& column_;
  CheckReading* reading_;
};

}  // namespace

void ReadCheckClauses(const std::string& text, const std::string& column, CheckReading* reading) {
  Tokens raw;
  if (!Tokenize(text, &raw)) {
    // Only a text that names the column is this column's failure.
    if (ToLowerAscii(text).find(ToLowerAscii(column)) != std::string::npos) reading->failures.push_back(text);
    return;
  }
  const Tokens tokens = Simplify(raw);
  ClauseReader reader(text, tokens, column, reading);
  reader.Conjunction({0, tokens.size()});
}
