// Generating rows from patterns alone, for the command line: one column per
// pattern, one line per row, values separated by tabs.
//
// Inside a value a backslash, tab, line feed and carriage return are written
// as "\\", "\t", "\n" and "\r", so every line holds exactly one row.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "GenTmpl/PatternEngine.h"

class CDB;

struct PatternRunOptions {
  std::vector<std::string> patterns;   // one per column, in column order
  std::vector<std::string> names;      // column names for "@'name'"; may be shorter
  int64_t rows = 1;
  uint32_t seed = 0;                   // non-zero: a repeatable run
  std::string libraryPath;             // value library location; may be empty
  const CDB* connection = nullptr;     // custom connection for $Inc, $Table, $Query
  const std::vector<NamedGenerator>* namedGenerators = nullptr;
  PatternEngine::VariableLookup variables;
};

// Appends `value` to a tab-separated line with backslash, tab, line feed and
// carriage return written as "\\", "\t", "\n" and "\r".
void AppendEscaped(std::string& line, const std::string& value);

// Writes the rows to `out`. A row with a pattern error is still written, as
// the engine made it; then "error <code>: <message> (row R, column C)" of its
// first error goes to `err` and the run stops. Returns the exit status:
// 0 success, 1 a pattern failed, 2 nothing to do (no patterns, negative rows)
// or the output could not be written.
int RunPatterns(const PatternRunOptions& options, std::FILE* out, std::FILE* err);
