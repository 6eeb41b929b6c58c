// Flat-file throughput: a 10-field definition (names, e-mail, phone, address,
// city, date, decimal, integer, GUID) written to a CSV file through the same
// run as `plenkor -c`. Prints rows per second, megabytes per second and the
// peak resident memory.
//
//   plenkor_bench [ROWS] [OUTPUT]   (default 1000000 rows into a temporary file)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/PlenkorCsv.h"

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (rows <= 0 || rows > 2000000000) {
    std::fprintf(stderr, "ROWS must be from 1 to 2000000000\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const std::string output =
      argc > 2 ? argv[2] : (fs::temp_directory_path() / ("plenkor_bench_" + std::to_string(getpid()) + ".csv")).string();
  const PlenkorCsvRun run = RunPlenkorCsv(output, static_cast<int>(rows), PLENKOR_LIBRARY);
  if (!run.libraryOpened) return 2;
  const FlatRunResult& result = run.result;
  const double seconds = run.seconds;
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
