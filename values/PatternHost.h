// What the value generators need from the pattern engine: evaluating a pattern
// and looking up a variable. The pattern engine implements it; the expression
// evaluator and the in-format date and time draws call it for operands and
// bounds written as "$..." patterns, "@'column'" references and "#"/"@"
// variables.
#pragma once

#include <string>
#include <string_view>

class PatternHost {
 public:
  virtual ~PatternHost() = default;
  // Evaluates `pattern` for no particular column; `value` receives the text and
  // `format` the date or time format of the value (empty for other values).
  // Errors stay with the engine.
  virtual void EvaluatePattern(std::string_view pattern, std::string& value, std::string& format) = 0;
  // Value of a variable written "#name" or "@name" (the whole text is passed).
  virtual std::string Variable(std::string_view reference) = 0;
};
