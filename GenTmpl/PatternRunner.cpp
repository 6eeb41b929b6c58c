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
  std::string value, line, failure;
  for (int64_t row = 0; row < options.rows && failure.empty(); ++row) {
    line.clear();
    for (std::size_t c = 0; c < options.patterns.size(); ++c) {
      // The row is written as the engine made it; the first error ends the run after it.
      if (engine.Generate(value, static_cast<int>(c), options.patterns[c]) != 0 && failure.empty()) {
        failure = "error " + std::to_string(engine.ErrorCode()) + ": " + engine.ErrorMessage() +
                  " (row " + std::to_string(row + 1) + ", column " + std::to_string(c + 1) + ")\n";
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
  if (std::fflush(out) != 0) return 2;
  if (failure.empty()) return 0;
  std::fputs(failure.c_str(), err);
  return 1;
}
