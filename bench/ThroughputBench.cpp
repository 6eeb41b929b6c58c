// Rows per second of a ten-column table (integer key, two names, e-mail,
// phone, street, city, date, decimal, GUID) loaded by quarnel's row loop in
// single-row statements, in statements of 100 rows and by bulk load, into
// SQLite, PostgreSQL and MariaDB; beside them, in the same run, what the
// databases take on their own: a native SQLite prepared-insert loop,
// PostgreSQL's COPY and MariaDB's LOAD DATA of the same rows from a file; and plenkor writing the ten fields to a
// CSV file (when plenkor is built). Last, the peak resident memory.
//
//   throughput_bench [--rows N] [--pg "DRIVER={PostgreSQL Unicode};Server=...;"]
//                    [--mariadb "DRIVER={MariaDB Unicode};Server=...;"]
//   throughput_bench --pg "..." --jobs-rounds R [--rows N]
//                    (only one job against --jobs 2 into PostgreSQL, R rounds in turns)
//
// Every load runs in transactions of 1000 rows.
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#ifdef PLENKOR_LIBRARY
#include "bench/PlenkorCsv.h"
#endif
#include "engine/Generator.h"
#include "engine/PartsRun.h"
#include "support/Database.h"
#include "support/TimeCounter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPerTrans = 1000;

// A file of this run in the temporary folder: runs side by side (another
// build's bench) never share one.
std::string TempFile(const char* name, const char* extension) {
  return (fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()) + extension)).string();
}
constexpr const char* kTable =
    "create table t_bench(id integer primary key, first_name varchar(30), last_name varchar(30), "
    "email varchar(60), phone varchar(20), street varchar(60), city varchar(30), birth_date date, "
    "amount decimal(10,2), guid varchar(36))";

ColumnRule Column(const char* name, int type, int size, int method) {
  ColumnRule column;
  column.Name = name;
  column.iType = static_cast<int16_t>(type);
  column.iSize = size;
  column.Method = method;
  return column;
}

Rule BenchRule(int rows) {
  Rule rule;
  rule.TabName = "t_bench";
  rule.Records = rows;
  rule.PerTrans = kPerTrans;
  ColumnRule first = Column("first_name", 12, 30, kMethodValueList);
  first.Values = {"Ann", "Bob", "Chloé", "David", "Eve", "Frank", "Grace", "Heinz"};
  ColumnRule last = Column("last_name", 12, 30, kMethodValueList);
  last.Values = {"O'Brien", "Smith", "Müller", "Jones", "García", "Taylor"};
  ColumnRule email = Column("email", 12, 60, kMethodPattern);
  email.regexp = "[a-z]{5,9}\\.[a-z]{4,8}@example\\.(com|org|net)";
  ColumnRule phone = Column("phone", 12, 20, kMethodPattern);
  phone.regexp = "\\([0-9]{3}\\) [0-9]{3}-[0-9]{4}";
  ColumnRule street = Column("street", 12, 60, kMethodPattern);
  street.regexp = "[1-9][0-9]{0,3} (Oak|Elm|Main|High|Mill) (Street|Road|Lane)";
  ColumnRule city = Column("city", 12, 30, kMethodValueList);
  city.Values = {"Boston", "Leeds", "Lyon", "Dublin", "Utrecht", "Seattle", "Toulouse"};
  ColumnRule amount = Column("amount", 3, 10, kMethodRandom);
  amount.iDigits = 2;
  // Within decimal(10,2): servers that check precision refuse larger values.
  amount.LowRange = "0";
  amount.HighRange = "99999999.99";
  rule.Fields = {Column("id", 4, 10, kMethodIncremental), first, last, email, phone, street, city,
                 Column("birth_date", 91, 10, kMethodRandom), amount, Column("guid", -11, 36, kMethodRandom)};
  rule.Fields[0].Start = "1";
  return rule;
}

std::unique_ptr<CDB> Connect(const std::string& connStr) {
  std::unique_ptr<CDB> db = CDB::newDB();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = connStr;
  if (!CDB::isOK(db->Connect(info))) {
    std::fprintf(stderr, "%s\n", db->ErrorText().c_str());
    return nullptr;
  }
  return db;
}

bool Exec(CDB& db, const std::string& sql) {
  const bool ok = CDB::isOK(db.Exec(sql));
  if (!ok) std::fprintf(stderr, "%s\n%s\n", db.ErrorText().c_str(), sql.c_str());
  db.FreeStmt();
  return ok;
}

void Report(const char* target, const char* way, uint64_t rows, double seconds) {
  std::printf("%-10s %-28s %9llu rows %8.2f s %10.0f rows/s\n", target, way, static_cast<unsigned long long>(rows),
              seconds, seconds > 0 ? static_cast<double>(rows) / seconds : 0.0);
  std::fflush(stdout);
}

// Loads `rows` rows into a fresh t_bench through the row loop, in `jobs`
// parts side by side when more than one; the rate.
double Load(CDB& db, const char* target, const char* way, int rows, int rowsPerStatement, int bulk, int jobs = 1) {
  Exec(db, "drop table if exists t_bench");
  if (!Exec(db, kTable)) return 0;
  Project project;
  project.rules = {BenchRule(rows)};
  RunOptions options;
  options.connection = &db;
  options.project = &project;
  options.VerifySchema = 0;
  options.consoleMode = 1;
  options.performanceMode = 1;
  options.Repeatable = 1;
  options.RowsPerStatement = rowsPerStatement;
  options.UseBULK = bulk;
  options.UnicodePrefix = 0;
  std::atomic<int> cancel{0};
  options.cancel = &cancel;
  QuarnelGenerator generator;
  _TimeCounter watch;
  watch.Start();
  RunSummary summary;
  if (jobs > 1) {
    summary = RunPartsSideBySide(options, jobs);
  } else {
    generator.Run(options);
    summary = generator.Summary();
  }
  watch.Stop();
  if (summary.rejected != 0) std::fprintf(stderr, "%s %s: %llu rows rejected\n", target, way,
                                          static_cast<unsigned long long>(summary.rejected));
  Report(target, way, summary.inserted, watch.Elapsed());
  return watch.Elapsed() > 0 ? summary.inserted / watch.Elapsed() : 0;
}

// SQLite's own prepared-insert loop of rows like the generated ones.
double NativeSqlite(const std::string& file, int rows) {
  fs::remove(file);
  sqlite3* raw = nullptr;
  if (sqlite3_open(file.c_str(), &raw) != SQLITE_OK) return 0;
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
  sqlite3_exec(db.get(), kTable, nullptr, nullptr, nullptr);
  sqlite3_stmt* rawStmt = nullptr;
  sqlite3_prepare_v2(db.get(), "insert into t_bench values(?,?,?,?,?,?,?,?,?,?)", -1, &rawStmt, nullptr);
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(rawStmt, sqlite3_finalize);
  char text[8][64];
  _TimeCounter watch;
  watch.Start();
  sqlite3_exec(db.get(), "begin", nullptr, nullptr, nullptr);
  for (int i = 1; i <= rows; ++i) {
    std::snprintf(text[0], 64, "First%d", i % 8);
    std::snprintf(text[1], 64, "Last%d", i % 6);
    std::snprintf(text[2], 64, "user%07d.name@example.com", i);
    std::snprintf(text[3], 64, "(%03d) %03d-%04d", i % 1000, i % 997, i % 9973);
    std::snprintf(text[4], 64, "%d Main Street", i % 9999);
    std::snprintf(text[5], 64, "City%d", i % 7);
    std::snprintf(text[6], 64, "19%02d-%02d-%02d", i % 100, i % 12 + 1, i % 28 + 1);
    std::snprintf(text[7], 64, "%08x-0000-4000-8000-%012d", i, i);
    sqlite3_bind_int(stmt.get(), 1, i);
    for (int c = 0; c < 7; ++c) sqlite3_bind_text(stmt.get(), c + 2, text[c], -1, SQLITE_STATIC);
    sqlite3_bind_double(stmt.get(), 9, (i % 100000) / 100.0);
    sqlite3_bind_text(stmt.get(), 10, text[7], -1, SQLITE_STATIC);
    sqlite3_step(stmt.get());
    sqlite3_reset(stmt.get());
    if (i % kPerTrans == 0) {
      sqlite3_exec(db.get(), "commit", nullptr, nullptr, nullptr);
      sqlite3_exec(db.get(), "begin", nullptr, nullptr, nullptr);
    }
  }
  sqlite3_exec(db.get(), "commit", nullptr, nullptr, nullptr);
  watch.Stop();
  Report("SQLite", "native prepared inserts", static_cast<uint64_t>(rows), watch.Elapsed());
  return rows / std::max(watch.Elapsed(), 1e-9);
}

// Empties t_bench, times `load` of the rows in `file` and removes the file.
double TimedFileLoad(CDB& db, const char* target, const char* way, const std::string& load, const std::string& file,
                     int rows) {
  Exec(db, "truncate table t_bench");
  _TimeCounter watch;
  watch.Start();
  const bool ok = Exec(db, load);
  watch.Stop();
  std::error_code ec;
  fs::remove(file, ec);
  if (!ok) return 0;
  Report(target, way, static_cast<uint64_t>(rows), watch.Elapsed());
  return rows / std::max(watch.Elapsed(), 1e-9);
}

// PostgreSQL's COPY of the rows now in t_bench, from a file the server reads.
double PostgresFileCopy(CDB& db, int rows) {
  const std::string file = TempFile("quarnel-bench-copy", ".txt");
  if (!Exec(db, "copy t_bench to '" + file + "'")) return 0;
  return TimedFileLoad(db, "PostgreSQL", "COPY from a file", "copy t_bench from '" + file + "'", file, rows);
}

// MariaDB's own LOAD DATA of the rows now in t_bench, from a file of the
// client (what quarnel's bulk load does, without making the rows).
double MariaDbFileLoad(CDB& db, int rows) {
  const std::string file = TempFile("quarnel-bench-load", ".txt");
  {
    std::unique_ptr<CStmt> stmt = db.NewStmt();
    if (!stmt || !CDB::isOK(db.Exec("select * from t_bench order by id", stmt.get()))) return 0;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return 0;
    int count = 0;
    db.NumResultCols(&count, stmt.get());
    std::string line, value;
    long ind = 0;
    while (CDB::isOK(db.Fetch(stmt.get()))) {
      line.clear();
      for (int c = 1; c <= count; ++c) {
        if (c > 1) line += '\t';
        db.GetDataAsText(c, &value, &ind, stmt.get());
        line += ind < 0 ? "\\N" : value;  // the bench's values hold no tab, line end or backslash
      }
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fclose(out);
  }
  return TimedFileLoad(db, "MariaDB", "LOAD DATA from a file",
                       "load data local infile '" + file + "' into table t_bench character set utf8mb4", file, rows);
}

// The row loop's three ways into a server, beside the server's own load of
// the same rows from a file (`fileLoad`), and their ratios.
void ServerLoads(CDB& db, const char* target, const char* bulkWay, const char* fileWay, double (*fileLoad)(CDB&, int),
                 int rows) {
  const double single = Load(db, target, "single-row statements", rows, 1, 0);
  const double batched = Load(db, target, "statements of 100 rows", rows, 100, 0);
  const double bulk = Load(db, target, bulkWay, rows, 1, 1);
  const double twoJobs = Load(db, target, "bulk load, --jobs 2", rows, 1, 1, 2);
  const double own = fileLoad(db, rows);
  Exec(db, "drop table if exists t_bench");
  std::printf("%-10s batched / single %.2f, bulk / %s %.2f, --jobs 2 / one job %.2f\n", target,
              batched / std::max(single, 1e-9), fileWay, bulk / std::max(own, 1e-9), twoJobs / std::max(bulk, 1e-9));
}

#ifdef PLENKOR_LIBRARY
// plenkor's CSV file of the same ten fields.
void PlenkorCsvFile(int rows) {
  const std::string file = TempFile("quarnel-bench-plenkor", ".csv");
  const PlenkorCsvRun run = RunPlenkorCsv(file, rows, PLENKOR_LIBRARY);
  std::error_code ec;
  fs::remove(file, ec);
  if (!run.libraryOpened || run.result.status != 0) {
    std::fprintf(stderr, "plenkor: the CSV run failed\n");
    return;
  }
  Report("plenkor", "CSV file", run.result.rows, run.seconds);
}
#endif

}  // namespace

// One job and --jobs 2 into PostgreSQL, in turns, `rounds` times: through
// COPY and through statements of 100 rows.
void JobsRounds(CDB& db, int rows, int rounds) {
  for (const int bulk : {1, 0}) {
    const char* way = bulk ? "COPY" : "statements of 100 rows";
    double one = 0, two = 0;
    for (int round = 0; round < rounds; ++round) {
      one += Load(db, "PostgreSQL", bulk ? "COPY, one job" : "statements of 100, one job", rows, 100, bulk);
      two += Load(db, "PostgreSQL", bulk ? "COPY, --jobs 2" : "statements of 100, --jobs 2", rows, 100, bulk, 2);
    }
    std::printf("PostgreSQL %s: --jobs 2 / one job %.2f (mean of %d rounds)\n", way, two / std::max(one, 1e-9),
                rounds);
  }
  Exec(db, "drop table if exists t_bench");
}

int main(int argc, char** argv) {
  int rows = 1000000;
  int jobsRounds = 0;
  std::string pg, mariadb;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--pg") == 0) pg = argv[i + 1];
    if (std::strcmp(argv[i], "--mariadb") == 0) mariadb = argv[i + 1];
    if (std::strcmp(argv[i], "--jobs-rounds") == 0) jobsRounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (jobsRounds > 0) {
    std::unique_ptr<CDB> db = pg.empty() ? nullptr : Connect(pg);
    if (!db) return 1;
    JobsRounds(*db, rows, jobsRounds);
    return 0;
  }
  const std::string file = TempFile("quarnel-throughput", ".db");
  {
    fs::remove(file);
    std::unique_ptr<CDB> db = Connect("DRIVER=SQLite3;Database=" + file);
    if (!db) return 1;
    const double single = Load(*db, "SQLite", "single-row statements", rows, 1, 0);
    const double batched = Load(*db, "SQLite", "statements of 100 rows", rows, 100, 0);
    db.reset();
    const double native = NativeSqlite(file + ".native", rows);
    fs::remove(file + ".native");
    std::printf("SQLite     batched / single %.2f, batched / native %.2f\n", batched / std::max(single, 1e-9),
                batched / std::max(native, 1e-9));
  }
  fs::remove(file);
  if (!pg.empty()) {
    std::unique_ptr<CDB> db = Connect(pg);
    if (!db) return 1;
    ServerLoads(*db, "PostgreSQL", "bulk load (COPY)", "COPY from a file", PostgresFileCopy, rows);
  }
  if (!mariadb.empty()) {
    std::unique_ptr<CDB> db = Connect(mariadb);
    if (!db) return 1;
    ServerLoads(*db, "MariaDB", "bulk load (LOAD DATA)", "LOAD DATA from a file", MariaDbFileLoad, rows);
  }
#ifdef PLENKOR_LIBRARY
  PlenkorCsvFile(rows);
#endif
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory %ld MB\n", usage.ru_maxrss / 1024);
  return 0;
}
