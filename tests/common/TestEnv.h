// Shared helpers of the test programs: temporary folders, and the databases the
// tests run against (a SQLite file through its ODBC driver, and the PostgreSQL
// cluster that CTest starts on loopback before the tests).
#pragma once

#include <filesystem>
#include <string>

class CDB;

namespace testenv {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// ODBC connection string for a SQLite database file (created on first connect).
std::string SqliteConnStr(const std::string& dbFile);

// ODBC connection string of the test PostgreSQL server that CTest started, or
// empty when it is not running. Its connections work in a schema of this
// process's own, so tests running at the same time do not meet.
std::string PostgresConnStr();

// ODBC connection string of the test MariaDB server that CTest started, or
// empty when it is not running. Its connections work in a database of this
// process's own.
std::string MariaDbConnStr();

// Folder of the source tree and of the build tree (QUARNEL_SOURCE_DIR and
// QUARNEL_BINARY_DIR override them).
std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();

// Makes the test program independent of the machine it runs on: settings,
// logs and global variables go to a home folder of its own (removed at exit),
// and the value library is the one this build made, unless QUARNEL_LIBRARY
// names another. Every test program calls it before its first test.
void UsePrivateEnvironment();

// Runs every statement of a script (the script parser splits it); each
// failing statement is a test failure. Returns the number that failed.
int RunScript(CDB& db, const std::string& script);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace testenv

// Skips the current test when no PostgreSQL server is available (fails under CI).
#define REQUIRE_POSTGRES(connVar)                                                  \
  std::string connVar = testenv::PostgresConnStr();                                \
  if (connVar.empty()) {                                                            \
    if (std::getenv("CI")) FAIL() << "PostgreSQL test server is not running";      \
    GTEST_SKIP() << "PostgreSQL test server is not running";                       \
  }

// Skips the current test when no MariaDB server is available (fails under CI).
#define REQUIRE_MARIADB(connVar)                                                   \
  std::string connVar = testenv::MariaDbConnStr();                                 \
  if (connVar.empty()) {                                                            \
    if (std::getenv("CI")) FAIL() << "MariaDB test server is not running";         \
    GTEST_SKIP() << "MariaDB test server is not running";                          \
  }
