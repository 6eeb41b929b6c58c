// CompiledPattern: a pattern read once into the flat list of steps that
// evaluating it takes, so that a value made on every row only runs the steps:
// literal text as spans, repeaters as their class and counts, functions with
// their table entry found and their parameters split, optional parts and
// alternatives as compiled parts of their own.
//
// Compiling does no evaluation and draws nothing: the steps keep the order in
// which the pattern reads, so a compiled pattern draws its random values, and
// binds its function nodes, exactly as reading the text did. A syntax error is
// a step of its own, at the place it was found; a step that ended reading
// ends the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GenTmpl/FunctionTable.h"

class CompiledPattern {
 public:
  struct Part;

  struct Step {
    enum Kind : std::uint8_t {
      kText,          // text: appended as it stands
      kClass,         // a random character class, repeated
      kGroupOpen,     // "(": the captured group starts here
      kGroupClose,    // ")": the text since "(" is captured
      kCaptured,      // "#": the captured text
      kOptional,      // "[...]": parts[0], kept at random
      kAlternatives,  // "<a|b>": one of parts, at random
      kColumn,        // "@'name'", "@3", "@@..."
      kExpression,    // "$$(...)": text is the expression
      kFunction,      // "$Name(...)": entry with params
      kError,         // sets code and message; reading went on
    };
    // How a repeater's count is drawn.
    enum Count : std::uint8_t { kOne, kUpTo, kExact, kRange };
    // What a column reference names.
    enum Reference : std::uint8_t { kMissing, kName, kIndex, kUnquoted, kBadQuote };

    Kind kind = kText;
    char cls = 0;
    Count count = kOne;
    Reference reference = kMissing;
    bool previous = false;  // "@@": the column's previous value
    std::int64_t first = 0;
    std::int64_t second = 0;
    std::string_view text;  // text, column name, expression
    int code = 0;
    std::string message;
    const FunctionTable::Entry* entry = nullptr;
    std::vector<std::string_view> params;
    std::vector<Part> parts;
  };

  struct Part {
    std::vector<Step> steps;
  };

  explicit CompiledPattern(std::string_view pattern);
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  const std::string& text() const { return text_; }
  const Part& root() const { return root_; }
  // Whether a value of the pattern may depend on the rows made before it: a
  // function that carries state from row to row, also inside a parameter
  // that is itself a pattern, or "@@", a column's previous value.
  bool CarriesRowState() const;
  // What the steps keep, for bounding a cache of compiled patterns.
  std::size_t Bytes() const { return bytes_; }

 private:
  // The steps' views point into text_, which therefore never moves.
  const std::string text_;
  Part root_;
  std::size_t bytes_ = 0;
};
