// Filling a large-object column from the files of a folder, on SQLite and
// PostgreSQL (bytea), read back byte for byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "quarnel/BlobLoader.h"
#include "support/Database.h"
#include "support/Prompt.h"
#include "tests/common/TestEnv.h"

namespace fs = std::filesystem;

namespace {

class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer p) override {
    return p;
  }
  std::vector<std::string> messages;
};

// Bytes of every value 0..255, including quotes, NUL and invalid UTF-8.
std::string Bytes(size_t size, unsigned seed) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xFF);
  return out;
}

class BlobLoaderTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    CONN_INFO info;
    isPostgres_ = std::string(GetParam()) == "postgres";
    if (isPostgres_) {
      REQUIRE_POSTGRES(conn);
      info.conStr = conn;
    } else {
      info.conStr = testenv::SqliteConnStr(dir_.file("blob.db"));
    }
    db_ = CDB::newDB(CONN_INFO::kOdbc);
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    if (isPostgres_) {
      schema_ = "blob" + std::to_string(getpid());
      Run("drop schema if exists " + schema_ + " cascade");
      Run("create schema " + schema_);
      info.conOwner = schema_;
      ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
      Run("set search_path to " + schema_);
    }
    files_ = dir_.path() / "files";
    fs::create_directories(files_);
  }
  void TearDown() override {
    if (!schema_.empty() && db_) db_->Exec("drop schema if exists " + schema_ + " cascade");
  }
  void Run(const std::string& sql) { ASSERT_TRUE(CDB::isOK(db_->Exec(sql))) << sql << "\n" << db_->ErrorText(); }
  void MakeTable(int rows, const char* keyType = "varchar(20)") {
    Run(std::string("create table docs (k ") + keyType + " primary key, body " + (isPostgres_ ? "bytea" : "blob") +
        ", txt text)");
    for (int i = 0; i < rows; ++i) Run("insert into docs (k) values ('k" + std::to_string(i) + "')");
  }
  std::map<std::string, std::string> Bodies(const char* column = "body") {
    std::map<std::string, std::string> out;
    const std::string value = isPostgres_ && std::string(column) == "body" ? "encode(body, 'hex')" : column;
    std::string sql = "select k, " + value + " from docs";
    // SQLite's hex() of NULL is an empty text.
    if (!isPostgres_ && std::string(column) == "body")
      sql = "select k, case when body is null then null else hex(body) end from docs";
    std::unique_ptr<CStmt> stmt = db_->NewStmt();
    EXPECT_TRUE(CDB::isOK(db_->Exec(sql, stmt.get()))) << db_->ErrorText();
    while (CDB::isOK(db_->Fetch(stmt.get()))) {
      std::string key, body;
      long ind = 0;
      db_->GetDataAsText(1, &key, &ind, stmt.get());
      db_->GetDataAsText(2, &body, &ind, stmt.get());
      out[key] = ind < 0 ? "<null>" : body;
    }
    return out;
  }
  static std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  }
  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }
  BlobLoadRequest Request() {
    BlobLoadRequest r;
    r.table = "docs";
    r.column = "body";
    r.keyColumns = {"k"};
    r.directory = files_.string();
    return r;
  }

  testenv::TempDir dir_;
  std::unique_ptr<CDB> db_;
  bool isPostgres_ = false;
  std::string schema_;
  fs::path files_;
  RecordingPrompt prompt_;
};

TEST_P(BlobLoaderTest, EveryRowGetsOneOfTheFilesByteForByte) {
  MakeTable(10);
  std::set<std::string> contents;
  const size_t sizes[] = {3, 40960, 3 * 1024 * 1024 + 17};
  for (unsigned i = 0; i < 3; ++i) {
    std::string bytes = Bytes(sizes[i], i);
    testenv::WriteFile(files_ / ("f" + std::to_string(i)), bytes);
    contents.insert(Hex(bytes));
  }
  BlobLoader loader(*db_, nullptr, &prompt_);
  int64_t range = -1;
  loader.setProgress({nullptr, [&](int64_t r) { range = r; }, nullptr});
  ASSERT_EQ(loader.Run(Request()), 0);
  EXPECT_TRUE(prompt_.messages.empty()) << prompt_.messages[0];
  EXPECT_EQ(loader.loaded(), 10);
  EXPECT_EQ(range, 10);
  const auto bodies = Bodies();
  ASSERT_EQ(bodies.size(), 10u);
  for (const auto& [key, body] : bodies) EXPECT_EQ(contents.count(Upper(body)), 1u) << key << " " << body.size();
}

TEST_P(BlobLoaderTest, ItemsLimitTheRowsAndTheRange) {
  MakeTable(10);
  testenv::WriteFile(files_ / "one", "x'y");
  BlobLoader loader(*db_, nullptr, &prompt_);
  int64_t range = -1;
  std::vector<std::string> status;
  loader.setProgress({[&](const std::string& s) { status.push_back(s); }, [&](int64_t r) { range = r; }, nullptr});
  BlobLoadRequest request = Request();
  request.items = "4";
  ASSERT_EQ(loader.Run(request), 0);
  EXPECT_EQ(range, 4);
  EXPECT_EQ(loader.loaded(), 4);
  EXPECT_EQ(status.front(), "Prepare lists...");
  EXPECT_EQ(status.back(), "Loaded 4");
  int filled = 0;
  for (const auto& [key, body] : Bodies()) filled += body != "<null>";
  EXPECT_EQ(filled, 4);
}

TEST_P(BlobLoaderTest, EmptyFileAndQuotedKeysReachTheirRows) {
  Run(std::string("create table docs (k varchar(20) primary key, body ") + (isPostgres_ ? "bytea" : "blob") +
      ", txt text)");
  Run("insert into docs (k) values ('it''s'), ('a'' or ''1''=''1'), ('plain')");
  testenv::WriteFile(files_ / "empty", "");
  BlobLoader loader(*db_, nullptr, &prompt_);
  ASSERT_EQ(loader.Run(Request()), 0);
  EXPECT_TRUE(prompt_.messages.empty()) << prompt_.messages[0];
  EXPECT_EQ(loader.loaded(), 3);
  for (const auto& [key, body] : Bodies()) EXPECT_EQ(body, "") << key;
}

// Table and column names are never read as SQL: the loader fills the oddly
// named table and leaves the one its name mentions alone.
TEST_P(BlobLoaderTest, HostileNamesReachTheirTable) {
  MakeTable(1);
  const std::string table = "x; drop table docs; --", key = "Key \"K\"", column = "Zoë's body";
  Run("create table " + db_->QuotedStr(table, 1) + " (" + db_->QuotedStr(key, 1) + " integer primary key, " +
      db_->QuotedStr(column, 1) + (isPostgres_ ? " bytea)" : " blob)"));
  Run("insert into " + db_->QuotedStr(table, 1) + " values (1, NULL)");
  testenv::WriteFile(files_ / "f", std::string("\x00\xff\x10", 3));
  BlobLoadRequest request = Request();
  request.table = table;
  request.column = column;
  request.keyColumns = {key};
  BlobLoader loader(*db_, nullptr, &prompt_);
  ASSERT_EQ(loader.Run(request), 0);
  EXPECT_TRUE(prompt_.messages.empty()) << prompt_.messages[0];
  EXPECT_EQ(loader.loaded(), 1);
  std::unique_ptr<CStmt> stmt = db_->NewStmt();
  ASSERT_TRUE(CDB::isOK(db_->Exec("select " + std::string(isPostgres_ ? "encode(" : "hex(") +
                                      db_->QuotedStr(column, 1) + (isPostgres_ ? ", 'hex')" : ")") + " from " +
                                      db_->QuotedStr(table, 1),
                                  stmt.get())));
  ASSERT_TRUE(CDB::isOK(db_->Fetch(stmt.get())));
  std::string bytes;
  long ind = 0;
  db_->GetDataAsText(1, &bytes, &ind, stmt.get());
  EXPECT_EQ(Upper(bytes), "00FF10");
  db_->FreeStmt(stmt.get());
  EXPECT_EQ(Bodies().size(), 1u);  // docs is still there
}

TEST_P(BlobLoaderTest, TextPathDoublesQuotes) {
  MakeTable(2);
  const std::string text = std::string(100000, 'a') + "it's \"quoted\" ''\n" + std::string(50000, 'z');
  testenv::WriteFile(files_ / "t.txt", text);
  BlobLoadRequest request = Request();
  request.column = "txt";
  request.path = BlobLoadRequest::kText;
  BlobLoader loader(*db_, nullptr, &prompt_);
  ASSERT_EQ(loader.Run(request), 0);
  EXPECT_TRUE(prompt_.messages.empty()) << prompt_.messages[0].substr(0, 300);
  for (const auto& [key, body] : Bodies("txt")) EXPECT_EQ(body, text) << key;
}

TEST_P(BlobLoaderTest, NumericKeysAndSubfolders) {
  Run(std::string("create table docs (k integer primary key, body ") + (isPostgres_ ? "bytea" : "blob") +
      ", txt text)");
  Run("insert into docs (k) values (1), (2)");
  fs::create_directories(files_ / "sub");
  fs::create_directories(files_ / ".hidden");
  testenv::WriteFile(files_ / "sub" / "deep", "DEEP");
  testenv::WriteFile(files_ / ".hidden" / "skip", "SKIP");
  BlobLoader loader(*db_, nullptr, &prompt_);
  EXPECT_EQ(loader.Run(Request()), BlobLoader::kNoFiles);
  EXPECT_EQ(prompt_.messages, (std::vector<std::string>{"Error|No files found in the specified directory."}));
  BlobLoadRequest request = Request();
  request.subdirectories = true;
  ASSERT_EQ(loader.Run(request), 0);
  for (const auto& [key, body] : Bodies()) EXPECT_EQ(Upper(body), Hex("DEEP")) << key;
  EXPECT_EQ(loader.KeyColumns("docs"), (std::vector<std::string>{"k"}));
}

TEST_P(BlobLoaderTest, ChecksStopBeforeAnyUpdate) {
  MakeTable(1);
  testenv::WriteFile(files_ / "f", "data");
  BlobLoader loader(*db_, nullptr, &prompt_);
  BlobLoadRequest request = Request();
  request.keyColumns.clear();
  EXPECT_EQ(loader.Run(request), BlobLoader::kNoKeys);
  request = Request();
  request.column.clear();
  EXPECT_EQ(loader.Run(request), BlobLoader::kNoColumn);
  request = Request();
  request.table = "no_such_table";
  EXPECT_EQ(loader.Run(request), BlobLoader::kSelectFailed);
  ASSERT_EQ(prompt_.messages.size(), 3u);
  EXPECT_EQ(prompt_.messages[0], "Error|No key columns found or specified");
  EXPECT_EQ(prompt_.messages[1], "Error|Target column was not selected.");
  EXPECT_EQ(prompt_.messages[2].rfind("Error|", 0), 0u);
  EXPECT_EQ(Bodies().begin()->second, "<null>");
}

TEST_P(BlobLoaderTest, RowFailuresAreReportedAndTheRunGoesOn) {
  MakeTable(2);
  testenv::WriteFile(files_ / "f", "data");
  BlobLoader loader(*db_, nullptr, &prompt_);
  BlobLoadRequest request = Request();
  request.column = "no_such_column";
  ASSERT_EQ(loader.Run(request), 0);
  EXPECT_EQ(loader.failed(), 2);
  EXPECT_EQ(loader.loaded(), 0);
  ASSERT_EQ(prompt_.messages.size(), 2u);
  const std::string& m = prompt_.messages[0];
  EXPECT_TRUE(m.rfind("Prepare Error|update ", 0) == 0 || m.rfind("Import BLOB error|update ", 0) == 0) << m;
  EXPECT_NE(m.find("docs set no_such_column=? where k='k0'\n"), std::string::npos) << m;
}

INSTANTIATE_TEST_SUITE_P(Servers, BlobLoaderTest, ::testing::Values("sqlite", "postgres"));

TEST(BlobFiles, CollectsRegularFilesSortedWithoutFollowingFolderLinks) {
  testenv::TempDir dir;
  fs::create_directories(dir.path() / "b");
  testenv::WriteFile(dir.path() / "z", "1");
  testenv::WriteFile(dir.path() / "a", "1");
  testenv::WriteFile(dir.path() / "b" / "c", "1");
  fs::create_directory_symlink(dir.path(), dir.path() / "b" / "loop");
  ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  const std::string root = dir.path().string();
  EXPECT_EQ(BlobLoader::CollectFiles(root, false), (std::vector<std::string>{root + "/a", root + "/z"}));
  EXPECT_EQ(BlobLoader::CollectFiles(root, true),
            (std::vector<std::string>{root + "/a", root + "/b/c", root + "/z"}));
  EXPECT_TRUE(BlobLoader::CollectFiles(root + "/missing", true).empty());
}

}  // namespace
