#include "tests/common/TestEnv.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

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

std::string PostgresConnStr() {
  const char* dir = std::getenv("QUARNEL_PG_DIR");
  if (!dir) return "";
  std::string conn = ReadFile(fs::path(dir) / "conn");
  while (!conn.empty() && (conn.back() == '\n' || conn.back() == '\r')) conn.pop_back();
  return conn;
}

fs::path SourceDir() {
  const char* dir = std::getenv("QUARNEL_SOURCE_DIR");
  return dir ? fs::path(dir) : fs::current_path();
}

fs::path BinaryDir() {
  const char* dir = std::getenv("QUARNEL_BINARY_DIR");
  return dir ? fs::path(dir) : fs::current_path();
}

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
