#include "quarnel/BlobLoader.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <climits>

#include "project/Project.h"
#include "quarnel/ProgramSettings.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "support/TextUtil.h"
#include "values/Random.h"

namespace fs = std::filesystem;

namespace {

struct KeyValue {
  bool null = false;
  std::string text;
};

void AddFiles(const fs::path& folder, bool subdirectories, std::vector<std::string>* files) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    std::error_code statusError;
    const fs::file_status own = entry.symlink_status(statusError);
    if (fs::is_directory(own)) {
      if (subdirectories && entry.path().filename().string().rfind('.', 0) != 0)
        AddFiles(entry.path(), subdirectories, files);
      continue;
    }
    // Only regular files: opening a pipe or a device could block for ever.
    if (fs::is_regular_file(entry.status(statusError))) files->push_back(entry.path().string());
  }
}

bool PlainNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

std::string SystemError(int code) {
  std::string text;
  CLog::FormatLastError(text, code);
  return text;
}

}  // namespace

BlobLoadRequest BlobRequestFrom(const ProgramSettings& settings) {
  BlobLoadRequest request;
  request.table = settings.GetSettingStr(0, "BL_Table");
  request.column = settings.GetSettingStr(0, "BL_Column");
  request.directory = settings.GetSettingStr(0, "BL_Dir");
  request.subdirectories = settings.GetSettingInt(0, "BL_SubDir") != 0;
  request.items = settings.GetSettingStr(0, "BL_Counter");
  return request;
}

void StoreBlobRequest(ProgramSettings& settings, const BlobLoadRequest& request) {
  settings.SetSettingStr(0, "BL_Table", request.table);
  settings.SetSettingStr(0, "BL_Column", request.column);
  settings.SetSettingStr(0, "BL_Dir", request.directory);
  settings.SetSettingInt(0, "BL_SubDir", request.subdirectories ? 1 : 0);
  settings.SetSettingStr(0, "BL_Counter", request.items);
}

BlobLoader::BlobLoader(CDB& db, CLog* log, Prompt* prompt) : db_(db), log_(log), prompt_(prompt) {}

void BlobLoader::Message(const std::string& caption, const std::string& text) {
  (prompt_ ? *prompt_ : CurrentPrompt()).Message(caption, text, PromptIcon::kError);
}

void BlobLoader::Status(const std::string& text) {
  if (progress_.status) progress_.status(text);
}

void BlobLoader::Trace(const std::string& text, int level) {
  if (log_ && log_->LogLevel() >= level) log_->State(text, level);
}

std::vector<std::string> BlobLoader::KeyColumns(const std::string& table) {
  std::string owner, name;
  db_.PrepareOwner(&owner, &name, "", table, 0);
  std::vector<PK_DESC> keys;
  std::vector<std::string> columns;
  if (CDB::isOK(db_.PKList(&keys, name, owner)))
    for (const PK_DESC& key : keys) columns.push_back(key.Column);
  return columns;
}

std::vector<std::string> BlobLoader::CollectFiles(const std::string& directory, bool subdirectories) {
  std::vector<std::string> files;
  if (!directory.empty()) AddFiles(directory, subdirectories, &files);
  return files;
}

int BlobLoader::LoadBinary(const std::string& sql, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Message("Import BLOB error", path + "\n" + SystemError(errno));
    return -1;
  }
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  const BlobReader read = [&in](char* buffer, size_t capacity) -> long {
    in.read(buffer, static_cast<std::streamsize>(capacity));
    if (in.bad()) return -1;
    return static_cast<long>(in.gcount());
  };
  const int status = db_.ExecWithBlob(sql, ec ? 0 : static_cast<int64_t>(size), read);
  if (CDB::isOK(status)) return 0;
  Message(status == kDbPrepareError ? "Prepare Error" : "Import BLOB error", sql + "\n" + db_.ErrorText());
  return -1;
}

int BlobLoader::LoadText(const std::string& head, const std::string& tail, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Message("Import BLOB error", path + "\n" + SystemError(errno));
    return -1;
  }
  std::string sql = head;
  std::vector<char> piece(kBlobPieceSize);
  while (in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    AppendLiteralText(sql, std::string_view(piece.data(), static_cast<size_t>(in.gcount())), db_.backslashEscapes());
  }
  if (in.bad()) {
    Message("Import BLOB error", path + "\n" + SystemError(errno));
    return -1;
  }
  sql += tail;
  if (CDB::isOK(db_.Exec(sql))) return 0;
  Message("Prepare Error", sql + "\n" + db_.ErrorText());
  return -1;
}

int BlobLoader::Run(const BlobLoadRequest& request) {
  if (log_) log_->State("BlobLoader::Run");
  loaded_ = failed_ = 0;
  if (request.keyColumns.empty()) {
    Message("Error", "No key columns found or specified");
    return kNoKeys;
  }
  Status("Prepare lists...");
  if (request.column.empty()) {
    Message("Error", "Target column was not selected.");
    return kNoColumn;
  }
  const std::string table = db_.QualifiedName(request.table);

  int64_t rows = 0;
  {
    std::unique_ptr<CStmt> stmt = db_.NewStmt();
    long ind = 0;
    if (stmt && CDB::isOK(db_.Exec("select count(*) from " + table, stmt.get())) &&
        CDB::isOK(db_.Fetch(stmt.get())) && CDB::isOK(db_.GetData(1, &rows, &ind, stmt.get())) && ind < 0)
      rows = 0;
  }
  Trace(std::to_string(rows) + " blobs will be loaded to the target table.", 1);

  // The key values are read before the first update, so no cursor stays open
  // on rows that are being rewritten.
  const int64_t items = std::max<int64_t>(0, LeadingInteger(request.items));
  std::vector<std::string> keyNames;
  for (const std::string& key : request.keyColumns) keyNames.push_back(db_.QuotedStr(UnquoteIdentifier(key)));
  std::string keyList;
  for (const std::string& key : keyNames) keyList += (keyList.empty() ? "" : ",") + key;
  std::vector<std::vector<KeyValue>> keyRows;
  {
    std::unique_ptr<CStmt> stmt = db_.NewStmt();
    if (!stmt || !CDB::isOK(db_.Exec("select " + keyList + " from " + table, stmt.get()))) {
      Message("Error", db_.ErrorText());
      return kSelectFailed;
    }
    while ((items == 0 || static_cast<int64_t>(keyRows.size()) < items) && CDB::isOK(db_.Fetch(stmt.get()))) {
      std::vector<KeyValue> row(keyNames.size());
      for (size_t k = 0; k < row.size(); ++k) {
        long ind = 0;
        if (!CDB::isOK(db_.GetDataAsText(static_cast<int>(k + 1), &row[k].text, &ind, stmt.get()))) ind = -1;
        row[k].null = ind < 0;
      }
      keyRows.push_back(std::move(row));
    }
  }

  const std::vector<std::string> files = CollectFiles(request.directory, request.subdirectories);
  if (files.empty()) {
    Message("Error", "No files found in the specified directory.");
    return kNoFiles;
  }
  Trace(std::to_string(files.size()) + " files with BLOB found.", 1);
  for (const std::string& file : files) Trace(">    " + file, 1);

  if (progress_.range) progress_.range(items != 0 && items < rows ? items : rows);

  // Literal delimiters of the key columns come from their types.
  FieldList fields;
  {
    std::string plainOwner, plainName;
    db_.PrepareOwner(&plainOwner, &plainName, "", request.table, 0);
    db_.FieldsList(&fields, plainName, plainOwner, 0);
  }
  std::vector<std::string> quotes;
  for (const std::string& key : request.keyColumns) {
    const auto field = std::find_if(fields.begin(), fields.end(), [&](const FLD_DESC& f) {
      return EqualsNoCase(f.Name, UnquoteIdentifier(key));
    });
    // A key whose type is unknown is quoted: the server converts a quoted
    // number, while an unquoted text would be read as SQL.
    quotes.push_back(field == fields.end() ? "'" : field->Quote());
  }

  const bool textPath = request.path == BlobLoadRequest::kText ||
                        (request.path == BlobLoadRequest::kAutomatic && db_.serverKind() == kServerMsSql &&
                         (request.columnType == SQL_LONGVARCHAR || request.columnType == SQL_WLONGVARCHAR));
  const std::string column = db_.QuotedStr(UnquoteIdentifier(request.column));
  int64_t counter = 0;
  for (const std::vector<KeyValue>& row : keyRows) {
    ++counter;
    if (progress_.position) progress_.position(counter);
    std::string where;
    for (size_t k = 0; k < row.size(); ++k) {
      if (!where.empty()) where += " and ";
      if (row[k].null) {
        where += keyNames[k] + " is null";
        continue;
      }
      // A value goes inside its delimiters with each delimiter doubled; a
      // value of an unquoted type that is not a plain number gets quotes too.
      std::string q = quotes[k];
      if (q.empty() && !PlainNumber(row[k].text)) q = "'";
      std::string value;
      for (char c : row[k].text) {
        value += c;
        if (!q.empty() && c == q[0]) value += c;
      }
      where += keyNames[k] + "=" + q + value + q;
    }
    const int32_t count = static_cast<int32_t>(std::min<size_t>(files.size(), INT32_MAX));
    const std::string& path = files[static_cast<size_t>(Random32Below(count) % count)];
    Trace("'" + path + "' loaded for " + where, 0);
    const int status = textPath ? LoadText("update " + table + " set " + column + "='", "' where " + where, path)
                                : LoadBinary("update " + table + " set " + column + "=? where " + where, path);
    if (status != 0) {
      ++failed_;
      continue;
    }
    ++loaded_;
    Status("Loaded " + std::to_string(counter));
  }
  return 0;
}
