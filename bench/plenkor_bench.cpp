// Flat-file throughput: a 10-field definition (names, e-mail, phone, address,
// city, date, decimal, integer, GUID) written to a CSV file through the same
// run as `plenkor -c`. Prints rows per second, megabytes per second and the
// peak resident memory.
//
//   plenkor_bench [ROWS] [OUTPUT]   (default 1000000 rows into a temporary file)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "GenTmpl/VLibrary.h"
#include "plenkor/FlatFile.h"
#include "plenkor/FlatFileRun.h"
#include "plenkor/Generators.h"
#include "support/Log.h"

namespace {

Project BenchDefinition(const std::string& output, int rows) {
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

}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (rows <= 0 || rows > 2000000000) {
    std::fprintf(stderr, "ROWS must be from 1 to 2000000000\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const std::string output =
      argc > 2 ? argv[2] : (fs::temp_directory_path() / ("plenkor_bench_" + std::to_string(getpid()) + ".csv")).string();
  CLog log;
  VLibrary library;
  if (library.Open(PLENKOR_LIBRARY, log) != 0) return 2;
  FlatRunEnvironment environment;
  environment.library = &library;
  environment.libraryPath = PLENKOR_LIBRARY;
  environment.askOverwrite = [](const std::string&) { return OverwriteChoice{true, false}; };

  const auto start = std::chrono::steady_clock::now();
  const FlatRunResult result = RunDefinition(BenchDefinition(output, static_cast<int>(rows)), environment);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::error_code ec;
  const double megabytes = static_cast<double>(fs::file_size(result.outputFile, ec)) / (1024.0 * 1024.0);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%llu rows in %.2f s: %.0f rows/s, %.1f MB/s (%.1f MB written), peak RSS %ld MB, status %d\n",
              static_cast<unsigned long long>(result.rows), seconds, result.rows / seconds, megabytes / seconds,
              megabytes, usage.ru_maxrss / 1024, result.status);
  if (argc <= 2) fs::remove(output, ec);
  return result.status;
}
