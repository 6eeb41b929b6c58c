#include "values/ExpressionEvaluator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "support/Calendar.h"
#include "support/DateTimeText.h"
#include "values/DateTime.h"
#include "values/PatternHost.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Days beyond this many years either way are no date: an overflow.
constexpr int64_t kDayLimit = int64_t{366} * 1'000'000'000;

bool AddDays(TypedValue& v, int64_t days) {
  if (v.month < 1 || v.month > 12) return true;  // not a date that can be counted on
  if (days > kDayLimit || days < -kDayLimit) return false;
  const CalendarDate date = DateOfDayNumber(DayNumber(v.year, v.month, v.day) + days);
  v.year = static_cast<int>(date.year);
  v.month = date.month;
  v.day = date.day;
  return true;
}

// `negative`: take the seconds away (as the remainder of a day, so any count
// is safe).
void AddSeconds(TypedValue& v, int64_t seconds, bool negative) {
  int64_t within = seconds % 86400;
  if (negative) within = -within;
  int64_t t = (int64_t{v.hour} * 60 + v.minute) * 60 + v.second + within;
  t %= 86400;
  if (t < 0) t += 86400;
  v.hour = static_cast<int>(t / 3600);
  v.minute = static_cast<int>(t / 60 % 60);
  v.second = static_cast<int>(t % 60);
}

bool IsNumber(const TypedValue& v) { return v.kind == TypedValue::kInteger || v.kind == TypedValue::kDouble; }

// Two numbers by value, -1, 0 or 1: integers exactly, an integer against a
// double in long double (exact for every 64-bit integer).
int CompareNumbers(const TypedValue& a, const TypedValue& b) {
  if (a.kind == TypedValue::kInteger && b.kind == TypedValue::kInteger) {
    return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
  }
  const long double x = a.kind == TypedValue::kInteger ? static_cast<long double>(a.integer) : a.number;
  const long double y = b.kind == TypedValue::kInteger ? static_cast<long double>(b.integer) : b.number;
  return x < y ? -1 : x > y ? 1 : 0;
}

bool Equal(const TypedValue& a, const TypedValue& b) {
  if (IsNumber(a) && IsNumber(b)) return CompareNumbers(a, b) == 0;
  switch (a.kind) {
    case TypedValue::kInteger: return a.integer == b.integer;
    case TypedValue::kDouble: return a.number == b.number;
    case TypedValue::kDate: return std::tie(a.year, a.month, a.day) == std::tie(b.year, b.month, b.day);
    case TypedValue::kTime: return std::tie(a.hour, a.minute, a.second) == std::tie(b.hour, b.minute, b.second);
    default: return a.text == b.text;
  }
}

bool Less(const TypedValue& a, const TypedValue& b) {
  if (IsNumber(a) && IsNumber(b)) return CompareNumbers(a, b) < 0;
  switch (a.kind) {
    case TypedValue::kInteger: return a.integer < b.integer;
    case TypedValue::kDouble: return a.number < b.number;
    case TypedValue::kDate: return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
    case TypedValue::kTime: return std::tie(a.hour, a.minute, a.second) < std::tie(b.hour, b.minute, b.second);
    default: return a.text < b.text;
  }
}

// b < a, by a's rules.
bool Greater(const TypedValue& a, const TypedValue& b) { return !Less(a, b) && !Equal(a, b); }

}  // namespace

void TypedValue::AppendText(std::string& out) const {
  switch (kind) {
    case kInteger: {
      char buf[24];
      out.append(buf, std::to_chars(buf, buf + sizeof buf, integer).ptr);
      break;
    }
    case kDouble: {
      char buf[32];
      const int n = std::snprintf(buf, sizeof buf, "%g", number);
      out.append(buf, static_cast<std::size_t>(n));
      break;
    }
    case kDate:
      AppendDateText(out, day, month, year, format);
      break;
    case kTime:
      AppendTimeText(out, hour, minute, second, 0, 0, format);
      break;
    default:
      out += text;
  }
}

int ExpressionEvaluator::Evaluate(std::string& out, std::string_view expression, PatternHost* host) {
  errorCode_ = 0;
  errorMessage_.clear();
  text_ = expression;
  pos_ = 0;
  pushedBack_ = false;
  stack_.clear();
  host_ = host;
  Expression(0);
  const TypedValue result = Pop();
  out.clear();
  result.AppendText(out);
  return errorCode_;
}

void ExpressionEvaluator::NextToken() {
  if (pushedBack_) {
    pushedBack_ = false;
    return;
  }
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  token_.clear();
  if (pos_ >= text_.size()) return;
  const std::size_t start = pos_;
  const char c = text_[pos_];
  if (c == '@') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '@') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\'') {
      const auto close = text_.find('\'', pos_ + 1);
      pos_ = close == std::string_view::npos ? text_.size() : close + 1;
    }
  } else if (c == '$') {
    const auto open = text_.find('(', pos_);
    if (open == std::string_view::npos) {
      pos_ = text_.size();
    } else {
      int depth = 0;
      for (pos_ = open; pos_ < text_.size(); ++pos_) {
        if (text_[pos_] == '(') ++depth;
        else if (text_[pos_] == ')' && --depth == 0) break;
      }
      if (pos_ < text_.size()) ++pos_;
    }
  } else if (IsDigit(c)) {
    bool dot = false, exponent = false;
    while (pos_ < text_.size()) {
      const char d = text_[pos_];
      if (IsDigit(d)) {
        ++pos_;
      } else if (d == '.' && !dot) {
        dot = true;
        ++pos_;
      } else if ((d == 'e' || d == 'E') && !exponent) {
        exponent = true;
        ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      } else {
        break;
      }
    }
  } else if (c == '\'') {
    const auto close = text_.find('\'', pos_ + 1);
    pos_ = close == std::string_view::npos ? text_.size() : close + 1;
  } else {
    static constexpr std::string_view kPairs[] = {"!=", "<=", ">=", "==", "&&", "||"};
    pos_ += 1;
    for (std::string_view pair : kPairs) {
      if (text_.compare(start, 2, pair) == 0) {
        pos_ = start + 2;
        break;
      }
    }
  }
  token_.assign(text_.substr(start, pos_ - start));
}

void ExpressionEvaluator::Expression(int depth) {
  Term(depth);
  for (;;) {
    NextToken();
    const std::string op = token_;
    if (op != "+" && op != "-" && op != "<" && op != "<=" && op != ">" && op != ">=" && op != "=" &&
        op != "==" && op != "!" && op != "!=") {
      PushBack();
      return;
    }
    Term(depth);
    Apply(op);
  }
}

void ExpressionEvaluator::Term(int depth) {
  Factor(depth);
  for (;;) {
    NextToken();
    const std::string op = token_;
    if (op != "*" && op != "/" && op != "&" && op != "&&" && op != "|" && op != "||") {
      PushBack();
      return;
    }
    Factor(depth);
    Apply(op);
  }
}

void ExpressionEvaluator::Factor(int depth) {
  NextToken();
  const bool nested = token_ == "(" || token_ == "-" || token_ == "+";
  if (nested && depth >= kMaxDepth) {
    Fail(81, "Expression: Factor error: expect value instead of '" + token_ + "'");
    return;
  }
  if (token_ == "(") {
    Expression(depth + 1);
    NextToken();
    if (token_ != ")") {
      Fail(80, "Expression: factor error: expect ')'");
      PushBack();
    }
  } else if (token_ == "-" || token_ == "+") {
    const bool negate = token_ == "-";
    Factor(depth + 1);
    if (negate) {
      TypedValue v = Pop();
      if (v.kind == TypedValue::kInteger) {
        if (__builtin_sub_overflow(int64_t{0}, v.integer, &v.integer)) Fail(kOverflow, std::string(kOverflowMessage));
      } else if (v.kind == TypedValue::kDouble) v.number = -v.number;
      Push(std::move(v));
    }
  } else if (!Operand(token_)) {
    Fail(81, "Expression: Factor error: expect value instead of '" + token_ + "'");
    PushBack();
  }
}

bool ExpressionEvaluator::Operand(std::string_view token) {
  if (token.empty()) return false;
  TypedValue v;
  if (IsDigit(token[0]) || token[0] == '\'') {
    LiteralValue(token, v);
  } else if (token[0] == '$' || token[0] == '@') {
    patternValue_.clear();
    patternFormat_.clear();
    if (host_) host_->EvaluatePattern(token, patternValue_, patternFormat_);
    if (patternFormat_.empty()) {
      LiteralValue(patternValue_, v);
    } else if (patternFormat_.find("YY") != std::string::npos) {
      v.kind = TypedValue::kDate;
      v.longYear = ParseDateInFormat(patternValue_, patternFormat_, v.day, v.month, v.year) != 0;
      v.format = patternFormat_;
    } else {
      v.kind = TypedValue::kTime;
      ParseTimeInFormat(patternValue_, patternFormat_, v.hour, v.minute, v.second);
      v.format = patternFormat_;
    }
  } else {
    return false;
  }
  Push(std::move(v));
  return true;
}

void ExpressionEvaluator::LiteralValue(std::string_view text, TypedValue& v) const {
  if (!text.empty() && text[0] == '\'') {
    text.remove_prefix(1);
    if (!text.empty() && text.back() == '\'') text.remove_suffix(1);
    v.kind = TypedValue::kString;
    v.text.assign(text);
    return;
  }
  const std::string copy(text);
  std::size_t first = copy.find_first_not_of(" -+");
  // Text that does not start with a number is a string, whatever letters it holds.
  if (first == std::string::npos || !IsDigit(copy[first])) {
    v.kind = TypedValue::kString;
    v.text = copy;
    return;
  }
  const bool whole = copy.find_first_of(".eE") == std::string::npos;
  errno = 0;
  const long long n = whole ? std::strtoll(copy.c_str(), nullptr, 10) : 0;
  if (whole && errno != ERANGE) {
    v.kind = TypedValue::kInteger;
    v.integer = n;
  } else {
    // A whole number too long for 64 bits is still a number.
    v.kind = TypedValue::kDouble;
    v.number = std::strtod(copy.c_str(), nullptr);
  }
}

void ExpressionEvaluator::Apply(std::string_view op) {
  const TypedValue b = Pop();
  TypedValue a = Pop();
  const bool bNumber = b.kind == TypedValue::kInteger || b.kind == TypedValue::kDouble;
  const double bDouble = b.kind == TypedValue::kInteger ? static_cast<double>(b.integer) : b.number;
  auto toDouble = [&a](double v) {
    a.kind = TypedValue::kDouble;
    a.number = v;
  };
  auto truth = [&a](bool v) {
    a = TypedValue();
    a.integer = v ? 1 : 0;
  };

  auto integerResult = [this, &a](bool overflowed, int64_t result) {
    if (overflowed) {
      Fail(kOverflow, std::string(kOverflowMessage));
    } else {
      a.integer = result;
    }
  };

  if (op == "+" || op == "-") {
    const bool minus = op == "-";
    const int sign = minus ? -1 : 1;
    int64_t result = 0;
    if (a.kind == TypedValue::kInteger) {
      if (b.kind == TypedValue::kInteger) {
        const bool overflowed = minus ? __builtin_sub_overflow(a.integer, b.integer, &result)
                                      : __builtin_add_overflow(a.integer, b.integer, &result);
        integerResult(overflowed, result);
      } else if (b.kind == TypedValue::kDouble) {
        toDouble(static_cast<double>(a.integer) + sign * b.number);
      } else if (!minus && (b.kind == TypedValue::kDate || b.kind == TypedValue::kTime)) {
        const int64_t n = a.integer;
        a = b;
        if (a.kind == TypedValue::kTime) AddSeconds(a, n, false);
        else if (!AddDays(a, n)) Fail(kOverflow, std::string(kOverflowMessage));
      }
    } else if (a.kind == TypedValue::kDouble && bNumber) {
      a.number += sign * bDouble;
    } else if (a.kind == TypedValue::kDate && b.kind == TypedValue::kInteger) {
      if (b.integer == INT64_MIN || !AddDays(a, sign * b.integer)) Fail(kOverflow, std::string(kOverflowMessage));
    } else if (a.kind == TypedValue::kDate && b.kind == TypedValue::kDate && minus) {
      const int64_t days = 365 * (int64_t{a.year} - b.year) +
                           static_cast<int64_t>((a.month - b.month) * 30.5) + (a.day - b.day);
      a = TypedValue();
      a.integer = days;
    } else if (a.kind == TypedValue::kTime && b.kind == TypedValue::kInteger) {
      AddSeconds(a, b.integer, minus);
    }
  } else if (op == "*") {
    int64_t result = 0;
    if (a.kind == TypedValue::kInteger && b.kind == TypedValue::kInteger) {
      const bool overflowed = __builtin_mul_overflow(a.integer, b.integer, &result);
      integerResult(overflowed, result);
    } else if (a.kind == TypedValue::kInteger && b.kind == TypedValue::kDouble) {
      toDouble(static_cast<double>(a.integer) * b.number);
    } else if (a.kind == TypedValue::kDouble && bNumber) {
      a.number *= bDouble;
    }
  } else if (op == "/") {
    // Division by zero leaves the left operand as it is.
    if (a.kind == TypedValue::kInteger && b.kind == TypedValue::kInteger && b.integer != 0) {
      const bool overflowed = a.integer == INT64_MIN && b.integer == -1;
      const int64_t quotient = overflowed ? 0 : a.integer / b.integer;
      integerResult(overflowed, quotient);
    } else if (a.kind == TypedValue::kInteger && b.kind == TypedValue::kDouble && b.number != 0) {
      toDouble(static_cast<double>(a.integer) / b.number);
    } else if (a.kind == TypedValue::kDouble && bNumber && bDouble != 0) {
      a.number /= bDouble;
    }
  } else if (op == "=" || op == "==") {
    truth(Equal(a, b));
  } else if (op == "!" || op == "!=") {
    truth(!Equal(a, b));
  } else if (op == "<") {
    truth(Less(a, b));
  } else if (op == ">") {
    truth(Greater(a, b));
  } else if (op == "<=") {
    truth(!Greater(a, b));
  } else if (op == ">=") {
    truth(!Less(a, b));
  } else if (op == "&" || op == "&&") {
    truth(a.integer != 0 && b.integer != 0);
  } else {
    truth(a.integer != 0 || b.integer != 0);
  }
  Push(std::move(a));
}

void ExpressionEvaluator::Push(TypedValue&& v) {
  if (static_cast<int>(stack_.size()) < kMaxStack) stack_.push_back(std::move(v));
}

TypedValue ExpressionEvaluator::Pop() {
  if (stack_.empty()) return TypedValue();
  TypedValue v = std::move(stack_.back());
  stack_.pop_back();
  return v;
}

void ExpressionEvaluator::Fail(int code, std::string message) {
  if (errorCode_ != 0) return;  // the first error names the cause
  errorCode_ = code;
  errorMessage_ = std::move(message);
}
