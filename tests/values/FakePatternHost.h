// A pattern engine stand-in: patterns and variables map to fixed answers.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "values/PatternHost.h"

class FakePatternHost : public PatternHost {
 public:
  // pattern -> (value, value format)
  std::map<std::string, std::pair<std::string, std::string>, std::less<>> patterns;
  std::map<std::string, std::string, std::less<>> variables;
  int calls = 0;

  void EvaluatePattern(std::string_view pattern, std::string& value, std::string& format) override {
    ++calls;
    const auto it = patterns.find(pattern);
    value = it == patterns.end() ? std::string() : it->second.first;
    format = it == patterns.end() ? std::string() : it->second.second;
  }
  std::string Variable(std::string_view reference) override {
    const auto it = variables.find(reference);
    return it == variables.end() ? std::string() : it->second;
  }
};
