// The Random Value fill method: one value for a column from its SQL type and
// its low and high bounds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "support/DbTypes.h"
#include "support/SafeFormat.h"
#include "values/DateTime.h"

class StringGenerator;

// The column-rule fields the random generators read (named after their
// project-file keys), plus the working fields prepared once per rule. The
// project's column rule derives from it.
struct RandomColumn : FLD_DESC {
  std::string LowRange;
  std::string HighRange;
  std::string sFormat = "%d";  // printf-style output template
  int RndSeparators = 0;       // percentage of characters taken from the character set

  // Working fields. The integer bounds stay -1 unless prepared, and are then
  // read from the bound texts for every value.
  int64_t lowBound = -1;
  int64_t highBound = -1;

  // The output template prepared for this column's kind of value, re-checked
  // only when sFormat changes. `reported` is set once its error was logged.
  struct PreparedFormat {
    std::string forFormat;
    bool valid = false;
    bool reported = false;
    SafeFormat format;
  };
  mutable PreparedFormat prepared;
};

// Run-wide facts OneRandom needs.
struct RandomContext {
  DateTimeOptions dateTime;
  int serverKind = 9;             // 0 is Oracle: long strings become to_clob pieces
  int64_t MaxBlobSize = 1000000;  // longest value of a large-object column
  StringGenerator* strings = nullptr;  // REQUIRED
  // Error entries of the program log: (message, source).
  std::function<void(std::string_view, std::string_view)> log;
  // Value of a "#name" / "@name" variable reference; bound texts that start
  // with "#" or "@" are passed through it.
  std::function<std::string(std::string_view)> variable;
  // Reused buffer for values that are formatted after they are made.
  std::string scratch;
};

// Lengths of generated strings are capped at the column size (twice that for
// binary columns, as hexadecimal digits), at MaxBlobSize for large objects, and
// in any case at this many characters, whatever the bounds say.
constexpr int64_t kMaxRandomStringLength = 1 << 20;

// What OneRandom made: a value, an SQL expression (to_clob pieces for an
// Oracle target) to be written without quotes, or NULL (a type it cannot make
// values for; `out` is then empty).
constexpr int kRandomValue = 0;
constexpr int kRandomExpression = 1;
constexpr int kRandomNull = 2;

// Writes the value into `out` and returns what it is (above).
int OneRandom(const RandomColumn& column, std::string& out, RandomContext& context);
