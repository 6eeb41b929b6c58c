// A custom generator library for the tests: remembers the text Install was
// given and returns it with a running number.
#include <string>

namespace {
std::string installed = "none";
std::string value;
int calls = 0;
}  // namespace

extern "C" void Install(const char* parameter) { installed = parameter ? parameter : ""; }

extern "C" const char* GetValue(int which) {
  value = installed + ":" + std::to_string(which) + ":" + std::to_string(++calls);
  return value.c_str();
}
