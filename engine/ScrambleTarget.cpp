#include "engine/ScrambleTarget.h"

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/TextUtil.h"

namespace {

constexpr const char* kPreparePlace = "QuarnelGenerator::PrepareScrambleTable";

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return out;
}

// The identifying settings of a connection, keys upper case: those of its
// connection string, else its data source and database.
std::map<std::string, std::string> Identity(const CONN_INFO& info) {
  static const char* const kIdentifying[] = {"DRIVER", "DSN",  "SERVER", "HOST", "SERVERNAME",
                                             "PORT",   "DATABASE", "DB", "DBQ"};
  std::map<std::string, std::string> keys;
  if (info.conStr.empty()) {
    if (!info.conDSN.empty()) keys["DSN"] = info.conDSN;
    if (!info.conDB.empty()) keys["DATABASE"] = info.conDB;
    return keys;
  }
  size_t pos = 0;
  const std::string& text = info.conStr;
  while (pos < text.size()) {
    const size_t equals = text.find('=', pos);
    if (equals == std::string::npos) break;
    std::string key = Upper(TrimText(text.substr(pos, equals - pos)));
    size_t end = equals + 1;
    std::string value;
    if (end < text.size() && text[end] == '{') {
      const size_t close = text.find('}', end);
      value = text.substr(end + 1, (close == std::string::npos ? text.size() : close) - end - 1);
      end = close == std::string::npos ? text.size() : close + 1;
      end = text.find(';', end);
    } else {
      end = text.find(';', end);
      value = text.substr(equals + 1, (end == std::string::npos ? text.size() : end) - equals - 1);
    }
    value = TrimText(value);
    if (key == "DB") key = "DATABASE";
    if (key == "HOST" || key == "SERVERNAME") key = "SERVER";
    for (const char* wanted : kIdentifying) {
      if (key == wanted) keys[key] = value;
    }
    pos = end == std::string::npos ? text.size() : end + 1;
  }
  return keys;
}

bool SameDatabaseName(const std::string& a, const std::string& b) {
  if (EqualsNoCase(a, b)) return true;
  // Database files: the same file under two spellings of its path.
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The one text `sql` gives, or empty.
std::string QueryText(CDB& db, const std::string& sql) {
  std::string text;
  long ind = 0;
  if (!CDB::isOK(db.Exec(sql)) || !CDB::isOK(db.Fetch()) || !CDB::isOK(db.GetDataAsText(1, &text, &ind)) || ind < 0)
    text.clear();
  db.FreeStmt();
  return text;
}

// Where tables of `owner` (empty: the connection's default schema) live, as
// the server itself tells: the instance, database and schema on PostgreSQL,
// the instance and database on MySQL and MariaDB, the database file's device
// and inode and the schema on SQLite. Empty when the server cannot say (a
// database in memory, a failed query).
std::string DatabaseOfSchema(CDB& db, const std::string& owner) {
  std::string place;
  if (db.serverKind() == kServerPostgres) {
    // The start time tells server instances apart whatever address reached them.
    place = QueryText(db, "select pg_postmaster_start_time()::text || ' ' || current_setting('port') || ' ' || "
                          "current_database() || ' ' || current_schema()");
    // An explicit owner replaces the default schema at the end.
    if (!place.empty() && !owner.empty()) place = place.substr(0, place.rfind(' ') + 1) + owner;
    return place;
  }
  if (db.serverKind() == kServerMySql) {
    // The host, port and data folder tell instances apart; names of
    // databases may or may not be case-sensitive there, so case is ignored.
    place = QueryText(db, "select concat(@@hostname, ' ', @@port, ' ', @@datadir)");
    const std::string database = owner.empty() ? db.Owner() : owner;
    return place.empty() || database.empty() ? std::string() : place + " " + ToLowerAscii(database);
  }
  const std::string schema = owner.empty() ? "main" : owner;
  if (!CDB::isOK(db.Exec("pragma database_list"))) {
    db.FreeStmt();
    return {};
  }
  while (CDB::isOK(db.Fetch())) {
    std::string name, file;
    long ind = 0;
    db.GetDataAsText(2, &name, &ind);
    db.GetDataAsText(3, &file, &ind);
    if (!EqualsNoCase(name, schema) || file.empty()) continue;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
      place = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + " " + schema;
    }
  }
  db.FreeStmt();
  return place;
}

}  // namespace

bool SameDatabase(const CONN_INFO& run, const CONN_INFO& target) {
  if ((run.ConType != 0 ? run.ConType : CONN_INFO::kOdbc) != (target.ConType != 0 ? target.ConType : CONN_INFO::kOdbc))
    return false;
  const std::map<std::string, std::string> one = Identity(run);
  const std::map<std::string, std::string> two = Identity(target);
  for (const auto& [key, value] : one) {
    const auto other = two.find(key);
    if (other == two.end()) continue;
    const bool same = key == "DATABASE" || key == "DBQ" ? SameDatabaseName(value, other->second)
                                                        : EqualsNoCase(value, other->second);
    if (!same) return false;
  }
  return true;
}

bool TargetMayBeSource(const Rule& rule, CDB& run, CDB& target) {
  std::string sourceOwner, sourceName, targetOwner, targetName;
  run.PrepareOwner(&sourceOwner, &sourceName, run.Owner(), rule.TabName, 0);
  target.PrepareOwner(&targetOwner, &targetName, target.Owner(), rule.sTarget, 0);
  if (!EqualsNoCase(sourceName, targetName)) return false;
  const int kind = run.serverKind();
  if (kind != target.serverKind()) return false;
  if (kind != kServerPostgres && kind != kServerSqlite && kind != kServerMySql) {
    return SameDatabase(run.Info(), target.Info()) && EqualsNoCase(sourceOwner, targetOwner);
  }
  const std::string source = DatabaseOfSchema(run, sourceOwner);
  const std::string written = DatabaseOfSchema(target, targetOwner);
  return source.empty() || written.empty() || EqualsNoCase(source, written);
}

std::string ScrambleTargetName(const Rule& rule, const CDB& target) {
  std::string owner, name;
  target.PrepareOwner(&owner, &name, "", rule.sTarget, 1);
  return owner.empty() ? name : owner + "." + name;
}

bool ReplaceCreatedName(std::string& line, const std::string& name) {
  const std::string upper = Upper(line);
  size_t pos = upper.find("TABLE");
  if (pos == std::string::npos) return false;
  pos += 5;
  auto skipBlanks = [&line](size_t at) {
    while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
    return at;
  };
  pos = skipBlanks(pos);
  if (upper.compare(pos, 13, "IF NOT EXISTS") == 0) pos = skipBlanks(pos + 13);
  // The name runs to a blank or "(" outside quotes, owner and point included.
  size_t end = pos;
  char closing = 0;
  for (; end < line.size(); ++end) {
    const char ch = line[end];
    if (closing) {
      if (ch == closing) closing = 0;
    } else if (ch == '"' || ch == '`') {
      closing = ch;
    } else if (ch == '[') {
      closing = ']';
    } else if (ch == '(' || std::isspace(static_cast<unsigned char>(ch))) {
      break;
    }
  }
  if (end == pos) return false;
  line.replace(pos, end - pos, name);
  return true;
}

int QuarnelGenerator::PrepareScrambleTable(const Rule& rule, CDB* target) {
  if (!options_.RecreateScrambleTab) return kScrambleTableReady;
  if (!target) {
    LogEntry("Wrong target DataBase", kPreparePlace);
    return kScrambleNoTarget;
  }
  CDB& run = *options_.connection;
  // The user may have agreed to write into the source table itself: it is
  // never dropped, the copies go into it as it stands.
  if (TargetMayBeSource(rule, run, *target)) {
    LogEntry("The target table " + rule.sTarget + " may be the source table: it is not dropped and created again",
             kPreparePlace);
    return kScrambleTableReady;
  }
  const bool noExec = options_.project->NoExec != 0;
  const std::string name = ScrambleTargetName(rule, *target);
  const std::string drop = "drop table " + name + "\r\n";
  outputs_->WriteSQL(drop, &rule);
  if (!noExec) {
    if (!CDB::isOK(target->Exec(drop))) LogEntry(target->ErrorText() + "\r\n" + drop, kPreparePlace);
    target->FreeStmt();
  }

  std::string owner, table;
  run.PrepareOwner(&owner, &table, run.Owner(), rule.TabName, 0);
  std::vector<std::string> lines;
  const int status = run.ObjectText(&lines, table, owner, run.serverKind() != target->serverKind());
  run.FreeStmt();
  if (!CDB::isOK(status)) {
    LogEntry("Could not get CREATE TABLE for the target", kPreparePlace);
    return kScrambleNoCreateText;
  }
  if (lines.empty()) {
    LogEntry("Empty CREATE TABLE for the target", kPreparePlace);
    return kScrambleTableReady;
  }
  if (!ReplaceCreatedName(lines[0], name)) {
    LogEntry("Could not get CREATE TABLE for the target: no table name in \"" + lines[0] + "\"", kPreparePlace);
    return kScrambleNoCreateText;
  }
  std::string create;
  for (const std::string& line : lines) {
    create += line;
    create += "\r\n";
  }
  outputs_->WriteSQL(create, &rule);
  if (noExec) return kScrambleTableReady;
  const bool ok = CDB::isOK(target->Exec(create));
  if (!ok) LogEntry(target->ErrorText() + "\r\n" + create, kPreparePlace);
  target->FreeStmt();
  return ok ? kScrambleTableReady : kScrambleCreateFailed;
}
