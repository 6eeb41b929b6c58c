// Sample values of one column as its rule now sets it: the values a run would
// generate for the first rows, made by the engine's own row generator, so the
// rule editor shows exactly what the data will look like. Messages the engine
// would show during a run (a wrong pattern, a failed query) are collected as
// the samples' error instead of reaching the user.
//
// REQUIRES: the connection, project, value library and log named by `base`
// outlive the call. Runs on the calling thread; nothing is written to the
// database (a rule in scramble mode is sampled as if it appended).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "project/Project.h"

struct RunOptions;

struct ColumnSampleResult {
  std::vector<std::string> values;  // one per row made; "NULL" for a NULL
  std::string error;                // the first message of the engine, or empty
};

inline constexpr int kSampleRows = 5;

// Generates `rows` rows of `rule` with the settings of `base` and keeps the
// values of column `column`. A column index outside the rule gives an error.
ColumnSampleResult SampleColumn(const Rule& rule, size_t column, const RunOptions& base, int rows = kSampleRows);
