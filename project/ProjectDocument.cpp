#include "project/ProjectDocument.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "support/Log.h"
#include "support/SysReg.h"
#include "support/TextUtil.h"

namespace {

// Adds the entries of `from` whose names `to` lacks.
template <typename Entry>
void AddMissingByName(std::vector<Entry>& to, std::vector<Entry>&& from) {
  for (Entry& entry : from) {
    const bool known = std::ranges::any_of(to, [&](const Entry& held) { return held.Name == entry.Name; });
    if (!known) to.push_back(std::move(entry));
  }
}

// Appends the rules of `file` to `project`. The named generators and project
// variables of the file that the project lacks come along, so the appended
// rules find what they call; the project's own entries win over the file's.
void AppendProjectRules(Project& project, Project&& file) {
  for (Rule& rule : file.rules) project.rules.push_back(std::move(rule));
  AddMissingByName(project.namedGens, std::move(file.namedGens));
  AddMissingByName(project.localVars, std::move(file.localVars));
}

// Sets a mark for the life of one operation.
class MarkGuard {
 public:
  explicit MarkGuard(std::atomic<bool>& mark) : mark_(mark) { mark_ = true; }
  ~MarkGuard() { mark_ = false; }
  MarkGuard(const MarkGuard&) = delete;
  MarkGuard& operator=(const MarkGuard&) = delete;

 private:
  std::atomic<bool>& mark_;
};

// Ends the log state of an operation however it returns.
class LogState {
 public:
  LogState(CLog* log, std::string_view state) : log_(log) {
    if (log_) log_->State(state);
  }
  ~LogState() {
    if (log_) log_->ClearState();
  }
  LogState(const LogState&) = delete;
  LogState& operator=(const LogState&) = delete;

 private:
  CLog* log_;
};

}  // namespace

std::string BackupName(const std::string& path) {
  constexpr std::string_view kExtension = ".qrp";
  const size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 is 0
  const std::string_view name = std::string_view(path).substr(nameStart);
  if (name.size() > kExtension.size() &&
      EqualsNoCase(name.substr(name.size() - kExtension.size()), kExtension))
    return path.substr(0, path.size() - kExtension.size()) + ".bak";
  return path + ".bak";
}

ProjectDocument::ProjectDocument(ConnectionFactory factory, Prompt* prompt, CLog* log)
    : factory_(std::move(factory)), prompt_(prompt), log_(log) {}

Prompt& ProjectDocument::prompt() const { return prompt_ ? *prompt_ : CurrentPrompt(); }

void ProjectDocument::Report(std::string_view caption, std::string message, PromptIcon icon) {
  error_ = std::move(message);
  if (log_) log_->Bug(error_, caption);
  prompt().Message(caption, error_, icon);
}

int ProjectDocument::DoSave(const std::string& path, bool checkedOnly, const std::vector<bool>& checked) {
  LogState state(log_, "CQuarnelDlg::DoSave");
  MarkGuard mark(saving_);
  error_.clear();
  if (recent_) recent_(path);
  CSysReg store;
  int status = store.Open(path, CSysReg::kDiskFile, 1);
  if (status == 0) {
    std::optional<CONN_INFO> current;
    if (connection_) {
      current = connectionFromProfile_ ? connection_->Info().WithoutPassword() : connection_->Info();
    }
    // Even encoded, a password is for the user's eyes only.
    if (HoldsPassword(project_, current ? &*current : nullptr)) store.SetFileMode(0600);
    WriteSettingsSection(store, settings_.saved);
    WriteProject(store, project_, checkedOnly, checked, current ? &*current : nullptr);
    // One commit for the whole file: it replaces the old file only once
    // everything is written, so a failed save leaves the old project intact.
    store.SaveSection(&status);
  }
  if (status != 0) {
    Report("Save Project Error", store.LastError(), PromptIcon::kError);
    return status;
  }
  if (!checkedOnly) {
    path_ = path;
    modified_ = false;
  }
  return 0;
}

int ProjectDocument::SaveWithBackup(const PathChooser& choose) {
  if (saving_) return kBusy;
  std::error_code ec;
  if (path_.empty() || !std::filesystem::exists(path_, ec)) {
    const std::string chosen = choose ? choose() : std::string();
    return chosen.empty() ? kCancelled : DoSave(chosen, false);
  }
  if (settings_.CreateBak) {
    // The backup is a copy rather than the renamed file, so the project file
    // exists until the new one replaces it. An older backup is kept.
    const std::string backup = BackupName(path_);
    if (!std::filesystem::exists(backup, ec) &&
        !std::filesystem::copy_file(path_, backup, ec) && log_) {
      log_->Bug("Could not create backup '" + backup + "': " + ec.message(),
                "ProjectDocument::SaveWithBackup");
    }
  }
  return DoSave(path_, false);
}

int ProjectDocument::DoLoad(const std::string& path, bool replace) {
  error_.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error_ = "Selected project was not found.";
    prompt().Message("Warning!", error_, PromptIcon::kError);
    return kNotFound;
  }
  LogState state(log_, "CQuarnelDlg::DoLoad");
  MarkGuard mark(loading_);
  if (recent_) recent_(path);
  CSysReg store;
  const int status = store.Open(path, CSysReg::kDiskFile);
  if (status != 0 && status != CSysReg::kBadFormat) {
    Report("Warning!", "Could not read project '" + path + "': " + store.LastError(), PromptIcon::kError);
    return status;
  }
  // The file is read into a copy, so a failed load changes nothing.
  Project loaded;
  std::string message;
  if (ReadProject(store, loaded, &message) != 0) {
    Report("Warning!", "Could not load project '" + path + "': " + message, PromptIcon::kError);
    return kNotProject;
  }
  if (replace) {
    project_ = std::move(loaded);
    path_ = path;
    modified_ = false;
    partialLoad_ = message;
  } else {
    // The project keeps its file, options and connection: the next save
    // writes the appended rules into the project's own file.
    AppendProjectRules(project_, std::move(loaded));
    modified_ = true;
    if (!message.empty()) partialLoad_ = message;
  }
  if (!message.empty())
    Report("Warning!", "Project '" + path + "' was loaded in part: " + message, PromptIcon::kWarning);
  return 0;
}

int ProjectDocument::RestoreConnection(std::string* summary) {
  const CONN_INFO& wanted = project_.Connection;
  if (!connection_ || wanted == connection_->Info()) return 0;
  if (wanted.conDSN.empty() && wanted.conFile.empty() && wanted.conStr.empty()) return 0;
  if (connection_->connected()) connection_->Disconnect();
  int type = 0;
  connection_->Interface(&type);
  if (type != wanted.ConType) {
    std::unique_ptr<CDB> made = factory_ ? factory_(wanted.ConType) : nullptr;
    if (!made) {
      error_ = "Could not restore connection.";
      if (log_) log_->Bug(error_, "ProjectDocument::RestoreConnection");
      return -1;
    }
    connection_ = std::move(made);
  }
  if (!CDB::isOK(connection_->Connect(wanted))) {
    error_ = connection_->ErrorText();
    prompt().Message("Restore Conenction", error_, PromptIcon::kError);
    return 1;
  }
  if (summary) *summary = connection_->Info().ConInfo();
  return 0;
}

bool ProjectDocument::ConfirmDiscard(const PathChooser& choose, const SaveRunner& runSave) {
  if (!modified_) return true;
  const PromptAnswer answer = prompt().Ask(
      "Warning!",
      "Current project is not saved.\nPress\n\nYes - for save it,\nNo  - for discard changes or\n"
      "Cancel - for continue editing if possible.",
      PromptIcon::kQuestion, PromptButtons::kYesNoCancel, PromptAnswer::kYes);
  switch (answer) {
    case PromptAnswer::kNo:
      return true;
    case PromptAnswer::kYes:
      // Going on after a failed save would lose the changes the user wanted kept.
      if (runSave) return runSave([this, &choose] { return SaveWithBackup(choose); }) == 0;
      return SaveWithBackup(choose) == 0;
    default:
      return false;
  }
}
