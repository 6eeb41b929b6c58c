// libFuzzer target: any bytes as a regular expression, parsed once and
// generated from a few times. Every value must stay within the generator's
// output bound, also when it is appended to text that is already there.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzInput.h"
#include "values/RegexGenerator.h"
#include "values/Random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view expression(reinterpret_cast<const char*>(data), size);
  SeedRandomSource(static_cast<uint32_t>(size));
  RegexGenerator generator;
  generator.Parse(expression);
  for (int i = 0; i < 3; ++i) {
    FuzzAssert(generator.Generate().size() <= RegexGenerator::kMaxOutput, "a value is bounded");
  }
  std::string out = "prefix";
  generator.Generate(out);
  FuzzAssert(out.size() <= RegexGenerator::kMaxOutput + 6 && out.compare(0, 6, "prefix") == 0,
             "an appended value is bounded and keeps what was there");
  return 0;
}
