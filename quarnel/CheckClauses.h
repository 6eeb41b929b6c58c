// Reading check-constraint texts as bounds and value lists of one column.
// The texts come as the servers give them: as written in a SQLite table
// definition, or as PostgreSQL deparses them (casts such as "::numeric",
// parenthesised values, "= ANY (ARRAY[...])" for IN lists).
//
// A text is split into clauses at AND (the AND of BETWEEN excepted). A clause
// that names the column is read as one of: column op value (op one of > >= <
// <= =, either side), column BETWEEN value AND value, column IN (values), or
// alternatives joined by OR that are each an equality or IN on the column.
#pragma once

#include <string>
#include <vector>

struct CheckCondition {
  // ">", ">=", "<", "<=", "=" (one value), "BETWEEN" (low and high value),
  // "IN" (one or more values).
  std::string op;
  std::vector<std::string> values;
};

struct CheckReading {
  std::vector<CheckCondition> conditions;
  // Clauses that name the column but could not be read, as written.
  std::vector<std::string> failures;
};

// Appends to `reading` what `text` says about `column` (compared without
// regard to case). Clauses that do not name the column are passed over.
void ReadCheckClauses(const std::string& text, const std::string& column, CheckReading* reading);
