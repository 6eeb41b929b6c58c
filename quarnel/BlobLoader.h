// BlobLoader: fills one large-object column of a table with the contents of
// disk files. Every selected row of the table (all of them, or the first
// `items` the select returns) gets the content of a file drawn at random from
// a folder, optionally with its subfolders. Binary columns are sent piece by
// piece while the update executes; long character columns of a Microsoft SQL
// Server target take the file as a quoted text literal.
//
// Rows are found again by their key columns (the table's primary key unless
// the user names others); key values are quoted as their type wants, so a key
// holding quote characters still reaches its row.
//
// REQUIRES: the connection, log and prompt outlive the loader; one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDB;
class CLog;
class Prompt;
class ProgramSettings;

struct BlobLoadRequest {
  enum Path { kAutomatic, kBinary, kText };
  std::string table;                    // BL_Table
  std::string column;                   // BL_Column
  int columnType = 0;                   // the column's type code
  std::vector<std::string> keyColumns;  // empty: no key, nothing is loaded
  std::string directory;                // BL_Dir
  bool subdirectories = false;          // BL_SubDir
  std::string items = "0";              // BL_Counter: rows to fill, 0 for all
  Path path = kAutomatic;               // how the content travels
};

// The request as the settings of group 0 left it, and back.
BlobLoadRequest BlobRequestFrom(const ProgramSettings& settings);
void StoreBlobRequest(ProgramSettings& settings, const BlobLoadRequest& request);

// The window's status line and progress bar; any may be empty.
struct BlobProgress {
  std::function<void(const std::string&)> status;
  std::function<void(int64_t)> range;
  std::function<void(int64_t)> position;
};

class BlobLoader {
 public:
  // Run statuses besides 0; each stops the run before any update.
  static constexpr int kNoKeys = 1;
  static constexpr int kNoColumn = 2;
  static constexpr int kSelectFailed = 3;
  static constexpr int kNoFiles = 4;

  // A null `log` means no logging, a null `prompt` the current prompt.
  BlobLoader(CDB& db, CLog* log = nullptr, Prompt* prompt = nullptr);
  void setProgress(BlobProgress progress) { progress_ = std::move(progress); }

  // The primary-key columns of `table`, in key order; empty when it has none.
  std::vector<std::string> KeyColumns(const std::string& table);
  // The regular files of `directory` (and of its subfolders whose names do
  // not begin with "." when `subdirectories` is set), sorted within each
  // folder. Folder links are not followed, so a link loop can not hang it.
  static std::vector<std::string> CollectFiles(const std::string& directory, bool subdirectories);

  // Loads the files. Failures of single rows are shown and counted in
  // failed(); the run goes on with the next row.
  int Run(const BlobLoadRequest& request);
  int64_t loaded() const { return loaded_; }
  int64_t failed() const { return failed_; }

 private:
  void Message(const std::string& caption, const std::string& text);
  void Status(const std::string& text);
  void Trace(const std::string& text, int level);
  int LoadBinary(const std::string& sql, const std::string& path);
  int LoadText(const std::string& head, const std::string& tail, const std::string& path);

  CDB& db_;
  CLog* log_;
  Prompt* prompt_;
  BlobProgress progress_;
  int64_t loaded_ = 0;
  int64_t failed_ = 0;
};
