#include "GenTmpl/PatternRunner.h"

void AppendEscaped(std::string& line, const std::string& value) {
  for (char c : value) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\t': line += "\\t"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += c; break;
    }
  }
}

int RunPatterns(const PatternRunOptions& options, std::FILE* out, std::FILE* err) {
  if (options.patterns.empty() || options.rows < 0) {
    std::fprintf(err, "No patterns to generate, or a negative row count.\n");
    return 2;
  }
  // Seed 0 also ends a repeatable mode left by an earlier run.
  PatternEngine::SeedRandom(options.seed);
  PatternEngine engine;
  engine.Init(options.libraryPath, options.seed, options.variables);
  engine.SetNamedGenList(options.namedGenerators);
  if (options.connection) engine.SetConnection(options.connection);
  for (std::size_t c = 0; c < options.patterns.size(); ++c) {
    engine.AddColumn(c < options.names.size() ? options.names[c] : std::string{});
  }
  std::string value, line;
  for (int64_t row = 0; row < options.rows; ++row) {
    line.clear();
    for (std::size_t c = 0; c < options.patterns.size(); ++c) {
      if (engine.Generate(value, static_cast<int>(c), options.patterns[c]) != 0) {
        std::fprintf(err, "error %d: %s (row %lld, column %zu)\n", engine.ErrorCode(),
                     engine.ErrorMessage().c_str(), static_cast<long long>(row + 1), c + 1);
        return 1;
      }
      if (c > 0) line += '\t';
      AppendEscaped(line, value);
    }
    line += '\n';
    if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
      std::fprintf(err, "Could not write the generated rows.\n");
      return 2;
    }
    engine.NextRow();
  }
  engine.Clear();
  return std::fflush(out) == 0 ? 0 : 2;
}
