// The pattern form of a column rule: the one pattern that generates what the
// column's fill method would. Named generators are evaluated from it (the
// pattern function Call) and the portable exports carry it, so another program
// can produce the same data from patterns alone.
#pragma once

#include <cstdint>
#include <string>

#include "project/Project.h"

class CDB;

// The program settings the conversion reads.
struct PatternSettings {
  std::string DateFormat = "YYYY-MM-DD";
  std::string TimeFormat = "HH:MM:SS";
  std::string DateTimeSep = " ";  // "Space" is read as one blank
  int64_t MaxBlobSize = 4095;
};

// Writes the pattern form of `column` into its `Mask`. `rule` is the rule the
// column belongs to (null for a named generator): linked-table key groups and
// group items look at its other columns. `settings` null is the flat-file
// generator's variant, which has no program settings: fixed date and time
// formats, a "." between date and time, 255 bytes for long binary, and empty
// formats where the settings would give one. `connection`, when given, quotes
// the column names of a linked-table key group the way its server wants.
//
// A random date column with an empty format takes the date format for good,
// and a random decimal column loses a "%d" format, as a run does.
void ColumnRuleToPattern(ColumnRule& column, const Rule* rule, const PatternSettings* settings,
                         const CDB* connection = nullptr);
