// plenkor's run of a 10-field definition (names, e-mail, phone, address, city,
// date, decimal, integer, GUID) written to a CSV file, as `plenkor -c` runs
// it; shared by the benchmarks that time it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "GenTmpl/VLibrary.h"
#include "plenkor/FlatFile.h"
#include "plenkor/FlatFileRun.h"
#include "plenkor/Generators.h"
#include "support/Log.h"

struct PlenkorCsvRun {
  FlatRunResult result;
  double seconds = 0;
  bool libraryOpened = false;
};

inline Project PlenkorCsvDefinition(const std::string& output, int rows) {
  Project definition = NewDefinition();
  definition.TXTFile = output;
  definition.TxtDelimiter = DelimiterOf(FileFormat::kCsv, "");
  definition.TxtOutColumnNames = 1;
  FileRule(definition).Records = rows;
  auto add = [&](const char* name, const char* type, std::string_view label, std::string pattern) {
    if (pattern.empty()) pattern = std::string(FindGenerator(label)->pattern);
    std::string message;
    AddField(definition, MakeField(name, type, 0, label, pattern, Fields(definition).size() + 1), &message);
  };
  add("FirstName", "String", "First Name", "");
  add("LastName", "String", "Last Name", "");
  add("Email", "String", "e-mail", "");
  add("Phone", "String", "Phone", PhoneFormats().items[2]);
  add("Address", "String", "Address", AddressFormats().items[0]);
  add("City", "String", "City", "");
  add("Born", "Date", "Random Date", DateOptions("DD/MM/YYYY", "01/01/1950", "31/12/2005"));
  add("Salary", "String", "Random Number", NumberOptions("1000", "9000", "", "2", false));
  add("Age", "Integer", "Random Number", NumberOptions("18", "90", "", "0", false));
  add("Id", "String", "Custom Generator", "$Guid()");
  return definition;
}

// Writes `rows` rows to `output` with the phrase library at `libraryPath`.
inline PlenkorCsvRun RunPlenkorCsv(const std::string& output, int rows, const std::string& libraryPath) {
  PlenkorCsvRun run;
  CLog log;
  VLibrary library;
  if (library.Open(libraryPath, log) != 0) return run;
  run.libraryOpened = true;
  FlatRunEnvironment environment;
  environment.library = &library;
  environment.libraryPath = libraryPath;
  environment.askOverwrite = [](const std::string&) { return OverwriteChoice{true, false}; };
  const auto start = std::chrono::steady_clock::now();
  run.result = RunDefinition(PlenkorCsvDefinition(output, rows), environment);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}
