// makelibrary: builds the shipped value library (an SQLite database) from the
// tab-separated list sources under data/lists/.
//
//   makelibrary OUTPUT.db SOURCE.tsv...
//
// Each source is one list: the file's name without ".tsv" names the list and its
// table, the first line names the fields (one TEXT column each), and every further
// line is one item with exactly one value per field. An empty value is stored as
// NULL, so it never shows up among a list's values. Besides the list tables the
// database holds the catalogue `_Index`: a row per list (Parent 0) followed by a
// row per field of that list (Parent = the list's ID).
//
// The database is written under a temporary name beside OUTPUT and renamed into
// place only when complete, so a failed or interrupted build never leaves a half
// library behind. Any malformed source fails the whole build with a message that
// names the file and the line.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ListSource {
  std::string name;                             // list and table name
  std::vector<std::string> fields;              // field and column names
  std::vector<std::vector<std::string>> items;  // one value per field
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    if (tab == std::string::npos) {
      parts.push_back(line.substr(start));
      return parts;
    }
    parts.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

// Table and column names are written into SQL statements by the programs that
// read the library, unquoted; keep them to plain identifiers.
bool IsIdentifier(const std::string& text) {
  if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) {
    return false;
  }
  return std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    unsigned int code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static const unsigned int kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

// Reads one source; on a defect prints "file:line: reason" and returns nothing.
std::optional<ListSource> ReadSource(const fs::path& path) {
  const std::string file = path.string();
  auto fail = [&](size_t line, const std::string& reason) -> std::optional<ListSource> {
    if (line == 0) {
      std::cerr << file << ": " << reason << "\n";
    } else {
      std::cerr << file << ":" << line << ": " << reason << "\n";
    }
    return std::nullopt;
  };

  ListSource source;
  source.name = path.stem().string();
  if (path.extension() != ".tsv") return fail(0, "a list source must end in .tsv");
  if (!IsIdentifier(source.name)) {
    return fail(0, "list name '" + source.name + "' is not a plain identifier");
  }

  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(0, "cannot be read");

  std::string line;
  size_t lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!IsValidUtf8(line)) return fail(lineNo, "not valid UTF-8");

    if (lineNo == 1) {
      if (line.empty()) return fail(lineNo, "the header line naming the fields is empty");
      source.fields = SplitTabs(line);
      std::set<std::string> seen;
      for (const std::string& field : source.fields) {
        if (!IsIdentifier(field)) {
          return fail(lineNo, "field name '" + field + "' is not a plain identifier");
        }
        if (!seen.insert(Lower(field)).second) {
          return fail(lineNo, "duplicate field '" + field + "' in the header");
        }
      }
      continue;
    }

    if (line.empty()) return fail(lineNo, "empty line");
    std::vector<std::string> values = SplitTabs(line);
    if (values.size() != source.fields.size()) {
      return fail(lineNo, "expected " + std::to_string(source.fields.size()) +
                              " tab-separated fields, found " + std::to_string(values.size()));
    }
    if (std::all_of(values.begin(), values.end(), [](const std::string& v) { return v.empty(); })) {
      return fail(lineNo, "every field is empty");
    }
    source.items.push_back(std::move(values));
  }

  if (lineNo == 0) return fail(0, "empty file: expected a header line naming the fields");
  if (source.items.empty()) return fail(0, "no items below the header line");
  return source;
}

// Owns the database connection and removes the unfinished file on failure.
class LibraryWriter {
 public:
  explicit LibraryWriter(fs::path path) : path_(std::move(path)) {}
  ~LibraryWriter() {
    if (db_) sqlite3_close(db_);
    if (!done_) {
      std::error_code ec;
      fs::remove(path_, ec);
    }
  }
  LibraryWriter(const LibraryWriter&) = delete;
  LibraryWriter& operator=(const LibraryWriter&) = delete;

  bool Open() {
    std::error_code ec;
    fs::remove(path_, ec);
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) return Report("cannot create database");
    return Exec("PRAGMA journal_mode=OFF") && Exec("BEGIN");
  }

  bool Write(const std::vector<ListSource>& lists) {
    if (!Exec("CREATE TABLE _Index (ID INTEGER, Name TEXT, Parent INTEGER, Hidden INTEGER, "
              "\"Column\" TEXT)")) {
      return false;
    }
    long long nextId = 1;
    for (const ListSource& list : lists) {
      const long long listId = nextId++;
      if (!AddIndexRow(listId, list.name, 0, nullptr)) return false;
      for (const std::string& field : list.fields) {
        if (!AddIndexRow(nextId++, field, listId, &field)) return false;
      }
      if (!WriteList(list)) return false;
    }
    return Exec("COMMIT");
  }

  bool Close() {
    if (sqlite3_close(db_) != SQLITE_OK) return Report("cannot close database");
    db_ = nullptr;
    return true;
  }

  void Keep() { done_ = true; }

 private:
  bool Report(const std::string& what) {
    std::cerr << path_.string() << ": " << what;
    if (db_) std::cerr << ": " << sqlite3_errmsg(db_);
    std::cerr << "\n";
    return false;
  }

  bool Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::cerr << path_.string() << ": " << (message ? message : "error") << " in: " << sql << "\n";
      sqlite3_free(message);
      return false;
    }
    return true;
  }

  bool AddIndexRow(long long id, const std::string& name, long long parent,
                   const std::string* column) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "INSERT INTO _Index VALUES (?, ?, ?, 0, ?)", -1, &stmt,
                           nullptr) != SQLITE_OK) {
      return Report("cannot prepare catalogue insert");
    }
    sqlite3_bind_int64(stmt, 1, id);
    sqlite3_bind_text(stmt, 2, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 3, parent);
    if (column) {
      sqlite3_bind_text(stmt, 4, column->c_str(), static_cast<int>(column->size()),
                        SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_null(stmt, 4);
    }
    bool ok = sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    return ok || Report("cannot write catalogue row for '" + name + "'");
  }

  bool WriteList(const ListSource& list) {
    std::string create = "CREATE TABLE \"" + list.name + "\" (";
    std::string insert = "INSERT INTO \"" + list.name + "\" VALUES (";
    for (size_t i = 0; i < list.fields.size(); ++i) {
      create += (i ? ", \"" : "\"") + list.fields[i] + "\" TEXT";
      insert += i ? ", ?" : "?";
    }
    create += ")";
    insert += ")";
    if (!Exec(create)) return false;

    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, insert.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      return Report("cannot prepare insert into " + list.name);
    }
    bool ok = true;
    for (const std::vector<std::string>& item : list.items) {
      for (size_t i = 0; i < item.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        if (item[i].empty()) {
          sqlite3_bind_null(stmt, column);
        } else {
          sqlite3_bind_text(stmt, column, item[i].c_str(), static_cast<int>(item[i].size()),
                            SQLITE_TRANSIENT);
        }
      }
      if (sqlite3_step(stmt) != SQLITE_DONE) {
        ok = Report("cannot insert into " + list.name);
        break;
      }
      sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return ok;
  }

  fs::path path_;
  sqlite3* db_ = nullptr;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: makelibrary OUTPUT.db SOURCE.tsv...\n";
    return 2;
  }
  const fs::path output = argv[1];

  std::vector<ListSource> lists;
  std::map<std::string, std::string> seenLists;  // lower-cased name -> file
  bool ok = true;
  for (int i = 2; i < argc; ++i) {
    std::optional<ListSource> source = ReadSource(argv[i]);
    if (!source) {
      ok = false;
      continue;
    }
    auto [it, inserted] = seenLists.emplace(Lower(source->name), argv[i]);
    if (!inserted || Lower(source->name) == "_index") {
      std::cerr << argv[i] << ": list name '" << source->name << "' is already used"
                << (inserted ? " by the catalogue" : " by " + it->second) << "\n";
      ok = false;
      continue;
    }
    lists.push_back(std::move(*source));
  }
  if (!ok) {
    std::cerr << "makelibrary: " << output.string() << " not written\n";
    return 1;
  }
  std::sort(lists.begin(), lists.end(),
            [](const ListSource& a, const ListSource& b) { return a.name < b.name; });

  const fs::path temporary = output.string() + ".tmp";
  {
    LibraryWriter writer(temporary);
    if (!writer.Open() || !writer.Write(lists) || !writer.Close()) {
      std::cerr << "makelibrary: " << output.string() << " not written\n";
      return 1;
    }
    writer.Keep();
  }
  std::error_code ec;
  fs::rename(temporary, output, ec);
  if (ec) {
    std::cerr << "makelibrary: cannot rename " << temporary.string() << " to " << output.string()
              << ": " << ec.message() << "\n";
    fs::remove(temporary, ec);
    return 1;
  }
  size_t items = 0;
  for (const ListSource& list : lists) items += list.items.size();
  std::cout << "makelibrary: wrote " << output.string() << " (" << lists.size() << " lists, "
            << items << " items)\n";
  return 0;
}
