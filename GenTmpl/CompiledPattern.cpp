#include "GenTmpl/CompiledPattern.h"

#include <algorithm>

#include "GenTmpl/PatternEngine.h"

namespace {

using Step = CompiledPattern::Step;
using Part = CompiledPattern::Part;

// Reads decimal digits from p[pos], saturating far above any bound we allow.
std::int64_t ReadNumber(std::string_view p, std::size_t& pos) {
  std::int64_t n = 0;
  while (pos < p.size() && p[pos] >= '0' && p[pos] <= '9') {
    if (n < (std::int64_t{1} << 50)) n = n * 10 + (p[pos] - '0');
    ++pos;
  }
  return n;
}

// A function parameter without the blanks around it; a blank escaped by a
// backslash ("a\\ ") stays, as the escape asks.
std::string_view TrimParameter(std::string_view s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  std::size_t backslashes = 0;
  while (backslashes < end - begin && s[end - 1 - backslashes] == '\\') ++backslashes;
  if (end < s.size() && backslashes % 2 == 1) ++end;
  return s.substr(begin, end - begin);
}

class Compiler {
 public:
  explicit Compiler(std::size_t& bytes) : bytes_(bytes) {}

  // Compiles `p` into `part`. Parts nested deeper than an evaluation may go
  // are never run (the engine refuses the level first), so they stay empty.
  void Compile(std::string_view p, Part& part, int depth) {
    if (depth >= PatternEngine::kMaxNesting) return;
    bool escape = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const char c = p[i];
      if (escape) {
        escape = false;
        AddText(part, p, i);
        continue;
      }
      switch (c) {
        case '\\': escape = true; break;
        case 'A':
        case 'a':
        case 'N':
        case 'X': i = Repeater(p, i, part); break;
        case '[': i = OptionalPart(p, i, part, depth); break;
        case '<': i = Alternatives(p, i, part, depth); break;
        case '@': i = ColumnReference(p, i, part); break;
        case '$':
          i = FunctionCall(p, i, part);
          if (i == std::string_view::npos) return;
          break;
        case '(': Add(part, Step::kGroupOpen); break;
        case ')': Add(part, Step::kGroupClose); break;
        case '#': Add(part, Step::kCaptured); break;
        default: AddText(part, p, i); break;
      }
    }
  }

 private:
  Step& Add(Part& part, Step::Kind kind) {
    bytes_ += sizeof(Step);
    Step& step = part.steps.emplace_back();
    step.kind = kind;
    return step;
  }

  void AddError(Part& part, int code, std::string message) {
    bytes_ += message.size();
    Step& step = Add(part, Step::kError);
    step.code = code;
    step.message = std::move(message);
  }

  // Adds p[i] as text; characters next to each other in the pattern share a step.
  void AddText(Part& part, std::string_view p, std::size_t i) {
    if (!part.steps.empty()) {
      Step& last = part.steps.back();
      if (last.kind == Step::kText && last.text.data() + last.text.size() == p.data() + i) {
        last.text = std::string_view(last.text.data(), last.text.size() + 1);
        return;
      }
    }
    Add(part, Step::kText).text = p.substr(i, 1);
  }

  // Each element returns the position of its last character.
  std::size_t Repeater(std::string_view p, std::size_t pos, Part& part) {
    const std::size_t n = p.size();
    Step::Count count = Step::kOne;
    std::int64_t first = 0, second = 0;
    std::size_t last = pos;
    if (pos + 1 < n && p[pos + 1] == '{' && n - (pos + 1) >= 2) {
      std::size_t j = pos + 2;
      bool exact = false;
      if (p[j] == '=') {
        exact = true;
        ++j;
      }
      first = ReadNumber(p, j);
      std::int64_t upper = 0;  // largest count the form allows
      if (j < n && p[j] == '}') {
        count = exact ? Step::kExact : Step::kUpTo;
        upper = first;
        last = j;
      } else if (j < n && (p[j] == ':' || p[j] == ';')) {
        ++j;
        second = ReadNumber(p, j);
        last = std::min(j, n - 1);
        if (j < n && p[j] == '}') {
          count = Step::kRange;
          upper = std::max(first, second);
        }
      } else {
        AddError(part, PatternEngine::kErrRepeater, "Incorrect repeater value.");
        last = std::min(j, n - 1);
      }
      if (upper > PatternEngine::kMaxElementLength) {
        AddError(part, PatternEngine::kErrRepeaterTooLong,
                 "Repeater: count " + std::to_string(upper) + " is above the limit of " +
                     std::to_string(PatternEngine::kMaxElementLength) + " characters.");
        return last;
      }
    }
    Step& step = Add(part, Step::kClass);
    step.cls = p[pos];
    step.count = count;
    step.first = first;
    step.second = second;
    return last;
  }

  std::size_t OptionalPart(std::string_view p, std::size_t pos, Part& part, int depth) {
    std::size_t end = pos + 1;
    while (end < p.size() && !(p[end] == ']' && p[end - 1] != '\\')) ++end;
    Step& step = Add(part, Step::kOptional);
    step.parts.resize(1);
    Compile(p.substr(pos + 1, end - pos - 1), step.parts[0], depth + 1);
    return std::min(end, p.size() - 1);
  }

  std::size_t Alternatives(std::string_view p, std::size_t pos, Part& part, int depth) {
    std::size_t end = pos + 1;
    bool closed = false;
    for (; end < p.size(); ++end) {
      if (p[end] == '>') {
        closed = true;
        break;
      }
    }
    const std::size_t last = std::min(end, p.size() - 1);
    // Each "|" ends an alternative, and so does a ">"; without a ">" the text
    // after the last "|" is none.
    std::vector<std::string_view> items;
    std::size_t start = pos + 1;
    for (std::size_t k = start; k < end; ++k) {
      if (p[k] != '|') continue;
      items.push_back(p.substr(start, k - start));
      start = k + 1;
    }
    if (closed) items.push_back(p.substr(start, end - start));
    if (items.empty()) {
      AddError(part, PatternEngine::kErrEmptyList, "List: <...> list is empty.");
      return last;
    }
    Step& step = Add(part, Step::kAlternatives);
    step.parts.resize(items.size());
    for (std::size_t k = 0; k < items.size(); ++k) Compile(items[k], step.parts[k], depth + 1);
    return last;
  }

  std::size_t ColumnReference(std::string_view p, std::size_t pos, Part& part) {
    const std::size_t n = p.size();
    Step& step = Add(part, Step::kColumn);
    if (pos + 1 < n && p[pos + 1] == '@') {
      step.previous = true;
      ++pos;
    }
    std::size_t last = pos;
    if (pos + 1 >= n) {
      step.reference = Step::kMissing;
    } else if (p[pos + 1] == '\'') {
      std::size_t k = pos + 2;
      while (k < n && p[k] != '\'' && p[k] != '"' && p[k] != '(' && p[k] != ')') ++k;
      if (k < n && p[k] == '\'') {
        step.reference = Step::kName;
        step.text = p.substr(pos + 2, k - pos - 2);
      } else {
        step.reference = Step::kBadQuote;
      }
      last = std::min(k, n - 1);
    } else if (p[pos + 1] >= '0' && p[pos + 1] <= '9') {
      std::size_t k = pos + 1;
      step.first = ReadNumber(p, k);
      step.reference = Step::kIndex;
      last = k - 1;
    } else {
      step.reference = Step::kUnquoted;
    }
    return last;
  }

  // Returns npos when reading ends.
  std::size_t FunctionCall(std::string_view p, std::size_t pos, Part& part) {
    const std::size_t n = p.size();
    const std::size_t open = p.find('(', pos + 1);
    if (open == std::string_view::npos || open == n - 1) {
      AddError(part, PatternEngine::kErrParamsMissed, "Function: parameter(s) missed.");
      return std::string_view::npos;
    }
    const std::string_view name = p.substr(pos + 1, open - pos - 1);
    std::vector<std::string_view> params;
    std::int64_t depth = 1;
    std::size_t start = open + 1;
    std::size_t k = open + 1;
    for (; k < n; ++k) {
      const char c = p[k];
      if (c == '\\') {
        // An escaped bracket or comma is text of the parameter.
        ++k;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) break;
      } else if (c == ',' && depth == 1) {
        std::string_view param = TrimParameter(p.substr(start, k - start));
        if (param.size() > 2 && param.front() == '(' && param.back() == ')') {
          param = param.substr(1, param.size() - 2);
        }
        params.push_back(param);
        start = k + 1;
      }
    }
    if (k >= n) {
      AddError(part, PatternEngine::kErrBrackets, "Function: brackets coordination error.");
      return std::string_view::npos;
    }
    const std::string_view lastParam = TrimParameter(p.substr(start, k - start));
    if (!lastParam.empty()) params.push_back(lastParam);
    const std::string_view raw = p.substr(open + 1, k - open - 1);
    if (name == "$") {
      Add(part, Step::kExpression).text = raw;
      return k;
    }
    const FunctionTable::Entry* entry = FunctionTable::Instance().Find(name);
    if (!entry) {
      AddError(part, PatternEngine::kErrUnknownFunction,
               "Function: could not recognize '" + std::string(name) + "' as correct function name.");
      return k;
    }
    if (entry->raw) params.assign(1, raw);
    bytes_ += params.size() * sizeof(std::string_view);
    Step& step = Add(part, Step::kFunction);
    step.entry = entry;
    step.params = std::move(params);
    return k;
  }

  std::size_t& bytes_;
};

}  // namespace

CompiledPattern::CompiledPattern(std::string_view pattern) : text_(pattern) {
  bytes_ = sizeof(*this) + text_.size();
  Compiler(bytes_).Compile(text_, root_, 0);
}

namespace {

// Parameters nested deeper than this are taken as carrying state.
constexpr int kMaxStateDepth = 8;

bool PartCarriesRowState(const CompiledPattern::Part& part, int depth) {
  for (const CompiledPattern::Step& step : part.steps) {
    switch (step.kind) {
      case CompiledPattern::Step::kColumn:
        if (step.previous) return true;
        break;
      case CompiledPattern::Step::kOptional:
      case CompiledPattern::Step::kAlternatives:
        for (const CompiledPattern::Part& inner : step.parts)
          if (PartCarriesRowState(inner, depth)) return true;
        break;
      case CompiledPattern::Step::kFunction: {
        const FunctionTable::Entry& entry = *step.entry;
        if (entry.carriesRowState && entry.carriesRowState(step.params)) return true;
        if (entry.raw) break;
        for (std::string_view param : step.params) {
          if (param.find_first_of("$@") == std::string_view::npos) continue;
          if (depth >= kMaxStateDepth) return true;
          const CompiledPattern inner(param);
          if (PartCarriesRowState(inner.root(), depth + 1)) return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return false;
}

}  // namespace

bool CompiledPattern::CarriesRowState() const { return PartCarriesRowState(root_, 0); }
