// CParse: splits an SQL script into the statements sent to the database one
// by one. A statement ends at ";" or at a line that holds only "go" (any case,
// blanks around it allowed). Neither counts inside 'single-quoted' strings
// (with '' as an embedded quote), "double-quoted" or `back-quoted` identifiers,
// -- line comments or /* block comments */. An unterminated string or comment
// runs to the end of the script. Statements are trimmed; statements that are
// empty or hold nothing but comments are dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CParse {
 public:
  // Flag for Parse: only "go" lines end statements, so procedural bodies that
  // contain ";" stay whole.
  static constexpr int kGoOnly = 1;

  // Splits `script`; returns the number of statements.
  int Parse(std::string_view script, int flag = 0);
  const std::vector<std::string>& Statements() const { return statements_; }

  // True when `name` can not be written as a bare identifier: it is empty,
  // starts with a digit, or holds anything but ASCII letters, digits and "_".
  // Reserved words are not considered.
  static bool NeedQuote(std::string_view name);

 private:
  void Emit(std::string_view text, bool hasCode);
  std::vector<std::string> statements_;
};
