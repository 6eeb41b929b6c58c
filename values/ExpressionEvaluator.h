// Small arithmetic and logical expressions over numbers, strings, dates, times
// and pattern values, computed in one pass over the text with a stack of typed
// values.
//
// Precedence is unusual on purpose: comparisons bind like "+" and "-", the
// logical operators like "*" and "/", each level left to right. So
// "a + b > c" is "(a + b) > c" and "a > b + c" is "(a > b) + c". A lone "!"
// means "not equal". Operands: numbers, 'strings', "$Function(...)" calls and
// "@'Column'" references (both evaluated through the PatternHost), unary "-"
// and "+", and parenthesised expressions (nested at most kMaxDepth deep).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class PatternHost;

struct TypedValue {
  enum Kind { kInteger = 0, kDouble = 1, kDate = 2, kTime = 3, kString = 4 };
  int kind = kInteger;
  int64_t integer = 0;  // also the truth value of comparisons and logic
  int day = 0, month = 0, year = 0;
  int hour = 0, minute = 0, second = 0;
  double number = 0;
  bool longYear = false;  // the date was read from a format with "YYYY"
  std::string format;     // date or time format the value came with
  std::string text;

  // Appends the value as text: "%d", "%g", the date or time written into its
  // format, or the string.
  void AppendText(std::string& out) const;
};

class ExpressionEvaluator {
 public:
  static constexpr int kMaxStack = 127;
  static constexpr int kMaxDepth = 64;
  static constexpr int kOverflow = 82;
  static constexpr std::string_view kOverflowMessage = "Expression: integer overflow";

  // Evaluates `expression` and writes the result into `out`. Returns the error
  // code: 0, 80 ("Expression: factor error: expect ')'"), 81 ("Expression:
  // Factor error: expect value instead of '%s'") or 82 (kOverflowMessage: an
  // integer result or a date beyond 64 bits; the left operand stays). After an error evaluation goes
  // on with what is on the stack, so `out` holds a partial result.
  // `host` may be null when the expression has no "$" or "@" operands (they
  // then read as empty strings).
  int Evaluate(std::string& out, std::string_view expression, PatternHost* host);

  int ErrorCode() const { return errorCode_; }
  const std::string& ErrorMessage() const { return errorMessage_; }

 private:
  // Reads the next token into token_, honouring one pushed-back token.
  void NextToken();
  void PushBack() { pushedBack_ = true; }

  void Expression(int depth);
  void Term(int depth);
  void Factor(int depth);
  // Turns an operand token into a value on the stack; false when the token is
  // no operand.
  bool Operand(std::string_view token);
  void LiteralValue(std::string_view text, TypedValue& v) const;
  void Apply(std::string_view op);

  void Push(TypedValue&& v);
  TypedValue Pop();
  void Fail(int code, std::string message);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string token_;
  bool pushedBack_ = false;
  std::vector<TypedValue> stack_;
  PatternHost* host_ = nullptr;
  int errorCode_ = 0;
  std::string errorMessage_;
  std::string patternValue_, patternFormat_;  // reused for "$" and "@" operands
};
