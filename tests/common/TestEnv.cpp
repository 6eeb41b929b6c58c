#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "support/Odbc.h"
#include "support/ScriptParser.h"

namespace fs = std::filesystem;

namespace testenv {

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = fs::temp_directory_path() / ("quarnel-test-" + std::to_string(rd()));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string SqliteConnStr(const std::string& dbFile) {
  return "DRIVER=SQLite3;Database=" + dbFile + ";FKSupport=1";
}

namespace {
const char* FromEnv(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}
}  // namespace

std::string PostgresConnStr() {
  // Test programs run in parallel against one server: each process works in a
  // schema of its own, made on first use and set as the search path of every
  // connection it opens.
  static const std::string conn = [] {
    std::string base = ReadFile(fs::path(FromEnv("QUARNEL_PG_DIR", QUARNEL_DEFAULT_PG_DIR)) / "conn");
    while (!base.empty() && (base.back() == '\n' || base.back() == '\r')) base.pop_back();
    if (base.empty()) return base;
    const std::string schema = "test_" + std::to_string(getpid());
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = base;
    CODBC db;
    if (!CDB::isOK(db.Connect(info)) || !CDB::isOK(db.Exec("drop schema if exists " + schema + " cascade")) ||
        !CDB::isOK(db.Exec("create schema " + schema)))
      return std::string();
    return base + ";ConnSettings={set search_path to " + schema + "}";
  }();
  return conn;
}

std::string MariaDbConnStr() {
  // A database of this process's own on the one test server.
  static const std::string conn = [] {
    std::string base = ReadFile(fs::path(FromEnv("QUARNEL_MARIADB_DIR", QUARNEL_DEFAULT_MARIADB_DIR)) / "conn");
    while (!base.empty() && (base.back() == '\n' || base.back() == '\r')) base.pop_back();
    if (base.empty()) return base;
    const std::string database = "test_" + std::to_string(getpid());
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = base;
    CODBC db;
    if (!CDB::isOK(db.Connect(info)) || !CDB::isOK(db.Exec("drop database if exists " + database)) ||
        !CDB::isOK(db.Exec("create database " + database + " character set utf8mb4")))
      return std::string();
    const size_t at = base.find("Database=");
    const size_t end = base.find(';', at);
    // The tests' own queries join texts with ||, as standard SQL does.
    return base.replace(at, end == std::string::npos ? std::string::npos : end - at, "Database=" + database) +
           ";InitStmt={set sql_mode=concat(@@sql_mode, ',PIPES_AS_CONCAT')}";
  }();
  return conn;
}

void UsePrivateEnvironment() {
  static const TempDir home;
  setenv("QUARNEL_HOME", home.path().c_str(), 1);
  setenv("QUARNEL_LIBRARY", (BinaryDir() / "library.db").c_str(), 0);
}

int RunScript(CDB& db, const std::string& script) {
  CParse parse;
  parse.Parse(script);
  int failed = 0;
  for (const std::string& statement : parse.Statements()) {
    if (!CDB::isOK(db.Exec(statement))) {
      ADD_FAILURE() << db.ErrorText() << "\n" << statement;
      ++failed;
    }
    db.FreeStmt();
  }
  return failed;
}

fs::path SourceDir() { return FromEnv("QUARNEL_SOURCE_DIR", QUARNEL_DEFAULT_SOURCE_DIR); }

fs::path BinaryDir() { return FromEnv("QUARNEL_BINARY_DIR", QUARNEL_DEFAULT_BINARY_DIR); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace testenv
