#include "values/RegexGenerator.h"

#include <algorithm>

#include "values/Random.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsQuantifier(char c) { return c == '?' || c == '+' || c == '*'; }

// Reads a repeat number (empty reads as 0); false when the text holds anything
// but digits. Counts above `limit` are cut to it.
bool RepeatNumber(std::string_view text, int limit, int& value) {
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    if (value < limit) value = value * 10 + (c - '0');
  }
  if (value > limit) value = limit;
  return true;
}

}  // namespace

int RegexGenerator::Parse(std::string_view expression) {
  elements_.clear();
  error_.clear();
  std::size_t pos = 0;
  alternatives_ = ParseList(expression, pos, elements_, 0);
  return error_.empty() ? 0 : 1;
}

int RegexGenerator::ParseList(std::string_view text, std::size_t& pos, List& list, int depth) {
  int alternative = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == ')' && depth > 0) {
      ++pos;
      break;
    }
    Element e;
    e.alternative = alternative;
    switch (c) {
      case '^':
      case '$':
        ++pos;
        continue;
      case '|':
        ++alternative;
        ++pos;
        continue;
      case '\\':
        if (pos + 1 < text.size()) {
          const char n = text[pos + 1];
          const bool letter = n == 'd' || n == 's' || n == 'w' || (n >= '1' && n <= '9');
          e.type = letter ? Element::kClassLetter : Element::kLiteral;
          e.ch = n;
          pos += 2;
        } else {
          e.ch = c;
          ++pos;
        }
        break;
      case '[':
        ParseClass(text, pos, e);
        break;
      case '{':
        if (!ParseRepeat(text, pos, e)) {
          e.ch = c;
          ++pos;
        }
        break;
      case '(':
        ++pos;
        if (depth < kMaxDepth) {
          e.type = Element::kGroup;
          e.groupAlternatives = ParseList(text, pos, e.group, depth + 1);
        } else {
          e.ch = c;
        }
        break;
      case '.':
        e.type = Element::kClassLetter;
        e.ch = c;
        ++pos;
        break;
      default:
        e.ch = c;
        ++pos;
    }
    list.push_back(std::move(e));
  }
  return alternative;
}

void RegexGenerator::ParseClass(std::string_view text, std::size_t& pos, Element& e) {
  e.type = Element::kClass;
  const std::size_t open = pos++;  // '['
  while (pos < text.size() && text[pos] != ']') {
    ClassItem item;
    const char c = text[pos];
    if (c == '\\' && pos + 1 < text.size()) {
      const char n = text[pos + 1];
      if (n == 'd' || n == 's' || n == 'w') item.letter = n;
      else item.low = item.high = n;
      pos += 2;
    } else if (pos + 2 < text.size() && text[pos + 1] == '-' && text[pos + 2] != ']') {
      item.low = c;
      item.high = text[pos + 2];
      // A reversed range ("z-a") is taken the right way round.
      if (static_cast<unsigned char>(item.high) < static_cast<unsigned char>(item.low)) std::swap(item.low, item.high);
      pos += 3;
    } else {
      item.low = item.high = c;
      ++pos;
    }
    e.items.push_back(item);
  }
  if (pos < text.size()) {
    ++pos;  // ']'
  } else {
    // The class runs to the end of the expression.
    error_ = "'[' at position " + std::to_string(open + 1) + " is not closed";
  }
}

bool RegexGenerator::ParseRepeat(std::string_view text, std::size_t& pos, Element& e) {
  // The body holds digits and commas only, so the "}" is looked for no
  // further: a text of many "{" is read in one pass.
  std::size_t close = pos + 1;
  while (close < text.size() && (IsDigit(text[close]) || text[close] == ',')) ++close;
  if (close >= text.size() || text[close] != '}') return false;
  const std::string_view body = text.substr(pos + 1, close - pos - 1);
  const auto comma = body.find(',');
  if (comma == std::string_view::npos) {
    if (!RepeatNumber(body, kMaxRepeat, e.min)) return false;
    e.max = e.min;
  } else if (!RepeatNumber(body.substr(0, comma), kMaxRepeat, e.min) ||
             !RepeatNumber(body.substr(comma + 1), kMaxRepeat, e.max)) {
    return false;
  }
  e.type = Element::kRange;
  pos = close + 1;
  return true;
}

std::string RegexGenerator::Generate() {
  std::string out;
  Generate(out);
  return out;
}

void RegexGenerator::Generate(std::string& out) {
  steps_ = 0;
  base_ = out.size();
  captures_ = 0;
  const int alternative = alternatives_ > 0 ? RandomDraw() % (alternatives_ + 1) : 0;
  GenerateList(elements_, alternative, out);
}

bool RegexGenerator::Exhausted(const std::string& out) const {
  return out.size() - base_ >= kMaxOutput || steps_ >= kMaxSteps;
}

void RegexGenerator::GenerateList(const List& list, int alternative, std::string& out) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t previous = kNone;  // the element a repeat range applies to
  std::size_t previousStart = 0;
  for (std::size_t i = 0; i < list.size() && !Exhausted(out); ++i) {
    const Element& e = list[i];
    ++steps_;  // also for the elements of the other alternatives, which are passed over
    if (e.alternative != alternative) continue;
    if (e.type == Element::kRange) {
      if (previous == kNone || (e.min == 0 && e.max == 0)) continue;
      const int max = e.max == 0 ? e.min + 8 : e.max;
      const int count = e.min < max ? e.min + RandomDraw() % (max - e.min) : max;
      if (count == 0) out.resize(previousStart);
      for (int k = 1; k < count && !Exhausted(out); ++k) GenerateElement(list[previous], out);
      previous = kNone;  // "{2}{3}" does not repeat the repetition
      continue;
    }
    previous = i;
    previousStart = out.size();
    int count = 1;
    if (i + 1 < list.size() && list[i + 1].type == Element::kLiteral && list[i + 1].alternative == alternative &&
        IsQuantifier(list[i + 1].ch)) {
      const char q = list[++i].ch;
      count = q == '?' ? RandomDraw() % 2 : q == '+' ? RandomDraw() % 7 + 1 : RandomDraw() % 8;
      previous = kNone;
    }
    for (int k = 0; k < count && !Exhausted(out); ++k) GenerateElement(e, out);
  }
}

void RegexGenerator::GenerateElement(const Element& e, std::string& out) {
  ++steps_;
  switch (e.type) {
    case Element::kLiteral:
      out += e.ch;
      break;
    case Element::kClassLetter:
      AppendClassLetter(e.ch, out);
      break;
    case Element::kGroup: {
      const int alternative = e.groupAlternatives > 0 ? RandomDraw() % (e.groupAlternatives + 1) : 0;
      const std::size_t start = out.size();
      GenerateList(e.group, alternative, out);
      // Back references reach the first kMaxGroups groups only: later ones are
      // counted, not kept.
      if (captures_ < kMaxGroups) {
        if (captures_ == captured_.size()) captured_.emplace_back();
        captured_[captures_].assign(out, start);
      }
      ++captures_;
      break;
    }
    case Element::kClass: {
      if (e.items.empty()) break;
      const ClassItem& item = e.items[static_cast<std::size_t>(RandomDraw()) % e.items.size()];
      if (item.letter) {
        AppendClassLetter(item.letter, out);
      } else {
        const int low = static_cast<unsigned char>(item.low);
        const int high = static_cast<unsigned char>(item.high);
        out += static_cast<char>(low + RandomDraw() % (high - low + 1));
      }
      break;
    }
    case Element::kRange:
      break;
  }
}

void RegexGenerator::AppendClassLetter(char letter, std::string& out) {
  switch (letter) {
    case '.':
    case 'w': {
      const int k = RandomDraw() % 37;
      out += k == 0 ? '_' : k <= 26 ? static_cast<char>('A' + k - 1) : static_cast<char>('0' + k - 27);
      break;
    }
    case 'd':
      out += static_cast<char>('0' + RandomDraw() % 10);
      break;
    case 's':
      out += " \f\n\r\t\v"[RandomDraw() % 6];
      break;
    default: {
      // A back reference copies its group as far as the value may still grow.
      const std::size_t n = static_cast<std::size_t>(letter - '1');
      if (n < std::min(captures_, kMaxGroups)) out.append(captured_[n], 0, kMaxOutput - (out.size() - base_));
    }
  }
}
