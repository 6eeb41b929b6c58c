// libFuzzer target: any bytes as a pattern, evaluated for two rows (compile
// and replay pass) with two columns and a self-calling named generator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "GenTmpl/PatternEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<NamedGenerator> generators = {{"self", "x$Call(self)"},
                                                         {"phone", "NNN-NNNN"}};
  PatternEngine::SeedRandom(1);
  PatternEngine engine;
  engine.Init("", 1, [](std::string_view ref) { return std::string(ref.substr(1)); });
  engine.SetNamedGenList(&generators);
  engine.AddColumn("first");
  engine.AddColumn("second");
  std::string_view pattern(reinterpret_cast<const char*>(data), size);
  std::string value;
  for (int row = 0; row < 2; ++row) {
    engine.SetColumnValue(0, "v1", "DD.MM.YYYY");
    engine.Generate(value, 1, pattern);
    engine.NextRow();
  }
  engine.Clear();
  return 0;
}
