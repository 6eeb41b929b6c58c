// ProjectDocument: the open project with its file, and the operations the
// main window and console mode share on it: saving (with a backup copy),
// loading (replacing the project or appending its rules), asking before
// changes are discarded, and restoring the project's database connection
// after a load.
//
// The window runs DoSave and DoLoad on a worker thread and keeps itself
// painted while it waits; dialogs (file choice) stay with the window and reach
// these operations as a callback. Messages go through the Prompt interface.
//
// REQUIRES: while DoSave or DoLoad runs, no other thread touches the project.
// The saving and loading marks may be read from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "project/Project.h"
#include "project/ProjectFile.h"
#include "support/Database.h"
#include "support/Prompt.h"

class CLog;


// The program settings these operations read.
struct DocumentSettings {
  SavedSettings saved;  // copied into the file's "Settings" section
  int CreateBak = 1;    // keep a ".bak" copy of an overwritten project file
};

// Makes an unconnected connection object for an interface type; the console
// and the window pass the same one. Returns null for a type it can not make.
using ConnectionFactory = std::function<std::unique_ptr<CDB>(int type)>;

// Asks the user for a file to save a new project to; empty means cancelled.
using PathChooser = std::function<std::string()>;

// The backup of a project file: the file's ".qrp" extension (any case)
// replaced by ".bak", or ".bak" appended when it has none. Folders are kept as
// they are.
std::string BackupName(const std::string& path);

class ProjectDocument {
 public:
  // Statuses besides 0 and the store's error codes.
  static constexpr int kBusy = -2;       // a save is under way
  static constexpr int kCancelled = -3;  // the user chose no file, or cancelled
  static constexpr int kNotFound = -4;   // the project file does not exist
  static constexpr int kNotProject = -5; // the file holds no project

  // `prompt` and `log` are not owned and must outlive the document; a null
  // prompt means the current one (support/Prompt.h), a null log no logging.
  explicit ProjectDocument(ConnectionFactory factory = &CDB::newDB, Prompt* prompt = nullptr,
                           CLog* log = nullptr);

  Project& project() { return project_; }
  const Project& project() const { return project_; }
  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }
  bool modified() const { return modified_; }
  // Every edit of the project calls this with true.
  void setModified(bool modified) { modified_ = modified; }
  bool saving() const { return saving_; }
  bool loading() const { return loading_; }

  void setSettings(const DocumentSettings& settings) { settings_ = settings; }
  // Called with the path of every project saved or loaded (the recent list).
  void setRecentHook(std::function<void(const std::string&)> hook) { recent_ = std::move(hook); }

  // The connection object, when one exists; its settings are saved with the
  // project, and RestoreConnection may replace it.
  std::unique_ptr<CDB>& connection() { return connection_; }
  // Whether the connection was made from a connection profile: its password
  // stays in the profile, and projects are saved without it.
  void setConnectionFromProfile(bool fromProfile) { connectionFromProfile_ = fromProfile; }

  // Writes the project to `path`; with `checkedOnly` only the rules whose
  // entry in `checked` is true, and the document's path and modified mark stay
  // as they were. The file is replaced only when the whole project was written.
  // Returns 0 or a store status (reported to the user and the log).
  int DoSave(const std::string& path, bool checkedOnly, const std::vector<bool>& checked = {});
  // The save command: a project with an existing file gets its backup (when
  // CreateBak is set and no backup exists yet) and is saved in place; a new
  // project is saved to the file `choose` names. Returns 0, kBusy, kCancelled
  // or DoSave's status.
  int SaveWithBackup(const PathChooser& choose = {});
  // Loads `path`, replacing the project (`replace`) or appending the file's
  // rules to the current ones. Appending keeps the project's path, options
  // and connection, adds the file's named generators and variables that the
  // project lacks, and marks the project modified. A load that fails leaves
  // the project as it was.
  // Returns 0, kNotFound, kNotProject or a store status; a file that could be
  // read only in part loads what it could, with a warning.
  int DoLoad(const std::string& path, bool replace);
  // Connects to the loaded project's database when it names one and it
  // differs from the current connection. Returns 0 (connected, or nothing to
  // do; `summary` gets the connection's description when it connected), 1 when
  // connecting failed (shown to the user; the project stays loaded), or -1 when
  // no connection object of the project's kind can be made.
  int RestoreConnection(std::string* summary = nullptr);
  // Before the project is replaced: true to go on, false to stop. Asks only
  // when the project is modified; "Yes" saves with backup and goes on only
  // when that save succeeded.
  // `runSave`, when given, runs the save it is handed (on a worker thread,
  // say) and returns its status; without it the save runs here.
  using SaveRunner = std::function<int(const std::function<int()>& save)>;
  bool ConfirmDiscard(const PathChooser& choose = {}, const SaveRunner& runSave = {});

  // The message of the last failure or warning of DoSave or DoLoad.
  const std::string& LastError() const { return error_; }
  // Why the project in memory was read only in part at its last load; empty
  // when it was read whole. Such a project lacks what the file held, so it
  // must not run before the user has seen that.
  const std::string& PartialLoad() const { return partialLoad_; }

 private:
  Prompt& prompt() const;
  // Shows and logs a failure and keeps it as LastError().
  void Report(std::string_view caption, std::string message, PromptIcon icon);

  ConnectionFactory factory_;
  Prompt* prompt_;
  CLog* log_;
  Project project_;
  std::string path_;
  bool modified_ = false;
  std::atomic<bool> saving_{false};
  std::atomic<bool> loading_{false};
  DocumentSettings settings_;
  std::function<void(const std::string&)> recent_;
  std::unique_ptr<CDB> connection_;
  std::string error_;
  std::string partialLoad_;
  bool connectionFromProfile_ = false;
};
