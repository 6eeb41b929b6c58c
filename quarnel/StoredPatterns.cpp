#include "quarnel/StoredPatterns.h"

#include <string_view>

namespace {

// The text between `prefix` and the final ")"; false when `pattern` is not of that form.
bool Inner(const std::string& pattern, std::string_view prefix, std::string* inner) {
  if (pattern.size() < prefix.size() + 1 || pattern.compare(0, prefix.size(), prefix) != 0 || pattern.back() != ')') {
    return false;
  }
  *inner = pattern.substr(prefix.size(), pattern.size() - prefix.size() - 1);
  return true;
}

}  // namespace

std::string ComputedPattern(const std::string& expression) { return "$$(" + expression + ")"; }

bool ComputedExpression(const std::string& pattern, std::string* expression) {
  return Inner(pattern, "$$(", expression);
}

std::string CustomGeneratorPattern(const std::string& library, const std::string& parameters) {
  return parameters.empty() ? "$DLL(" + library + ")" : "$DLL(" + library + "," + parameters + ")";
}

bool CustomGeneratorParts(const std::string& pattern, std::string* library, std::string* parameters) {
  std::string inner;
  if (!Inner(pattern, "$DLL(", &inner)) return false;
  const size_t comma = inner.find(',');
  *library = inner.substr(0, comma);
  *parameters = comma == std::string::npos ? std::string() : inner.substr(comma + 1);
  return true;
}
