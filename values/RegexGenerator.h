// Generates strings that match a simple regular expression: literals, escapes
// "\d" "\s" "\w" ".", classes "[a-z\d_]", groups "( )" with alternatives "|",
// back references "\1".."\9", the quantifiers "?" "+" "*" (0..1, 1..7, 0..7
// copies) and repeat ranges "{n}" "{m,n}" "{m,}" "{,n}". "\w" and "." give
// "_", "A".."Z" and digits, never lower-case letters.
//
// Parse once, generate many times. What is not understood is taken
// literally; a class "[" left open still gives a generator, but Parse
// reports it (Error() says where). Bounded for any input: groups nest at most
// kMaxDepth deep (a deeper "(" is a literal), a repeat count is at most
// kMaxRepeat, one value stops growing at kMaxOutput characters (a back
// reference included) and after kMaxSteps elements visited.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class RegexGenerator {
 public:
  static constexpr int kMaxDepth = 32;
  static constexpr int kMaxRepeat = 1000;
  static constexpr std::size_t kMaxOutput = 65536;
  static constexpr std::size_t kMaxSteps = 1000000;
  static constexpr std::size_t kMaxGroups = 9;  // "\1".."\9"

  // Returns 0, or 1 when the expression is malformed (see above).
  int Parse(std::string_view expression);
  // Why the last Parse failed; empty after a success.
  const std::string& Error() const { return error_; }
  std::string Generate();
  // Appends a generated value to `out` (the hot-path form).
  void Generate(std::string& out);

 private:
  struct ClassItem {
    char low = 0;
    char high = 0;       // equal to low for a single character
    char letter = 0;     // a class letter ('d', 's', 'w', '.') instead of characters
  };
  struct Element {
    enum Type { kLiteral, kClassLetter, kGroup, kClass, kRange };
    Type type = kLiteral;
    char ch = 0;  // the literal, or the class letter ('d', 's', 'w', '.', '1'..'9')
    std::vector<Element> group;
    std::vector<ClassItem> items;
    int min = 0, max = 0;
    int alternative = 0;        // index of the alternative the element belongs to
    int groupAlternatives = 0;  // a group: highest alternative index inside it
  };
  using List = std::vector<Element>;

  // Parses text[pos..] into `list` up to the end or an unmatched ")" (inside
  // a group); returns the highest alternative index.
  int ParseList(std::string_view text, std::size_t& pos, List& list, int depth);
  void ParseClass(std::string_view text, std::size_t& pos, Element& e);
  bool ParseRepeat(std::string_view text, std::size_t& pos, Element& e);

  void GenerateList(const List& list, int alternative, std::string& out);
  void GenerateElement(const Element& e, std::string& out);
  void AppendClassLetter(char letter, std::string& out);
  bool Exhausted(const std::string& out) const;

  List elements_;
  int alternatives_ = 0;
  std::string error_;
  // The texts of the first groups of the current value: the first
  // min(captures_, kMaxGroups) entries; the strings beyond keep their buffers
  // for the next value.
  std::vector<std::string> captured_;
  std::size_t captures_ = 0;
  // Work done for the current value, against expressions like ((a{1000}){1000}){1000}.
  std::size_t steps_ = 0;
  std::size_t base_ = 0;  // size of the output before the current value
};
