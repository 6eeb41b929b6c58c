// ProgramSettings: the program-wide settings of quarnel in six numbered
// groups, each a typed _Settings table kept in its own section of the per-user
// settings file, and the list of global variables kept in the per-user store
// "Software\Orvanesoft\Quarnel\GlobalVars".
//
// Groups: 0 general, 1 user interface, 2 defaults of new rules and projects,
// 3 project execution, 4 date and time, 5 version-control hook. The log keys
// (LogLevel, LogViewer, ConsoleSQL, LogFilePath, TruncateBigLog, TruncateSize)
// are registered in every group; the program uses them through group 0.
//
// Owned by the interface thread; not locked. A run reads settings only through
// the run options copied before it starts.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/Settings.h"

class CLog;

struct GlobalVariable {
  std::string Name;  // begins with "@"
  std::string Type;  // "Constant" or "Database Query"
  std::string Def;
  std::string Value;  // filled at each run; not stored
};

class ProgramSettings {
 public:
  static constexpr int kGroupCount = 6;
  static constexpr int kRecentCount = 10;
  static constexpr std::string_view kGlobalVarsKey = "Software\\Orvanesoft\\Quarnel\\GlobalVars";
  // More entries than this in the store are taken for damage and not read.
  static constexpr int kMaxGlobalVars = 65535;

  // Registers every key with its default; `log` hears about misuse and store
  // failures and must outlive the settings.
  explicit ProgramSettings(CLog* log = nullptr);

  // An unknown group gives the empty value and an error entry in the log.
  int GetSettingInt(int group, std::string_view key) const;
  const std::string& GetSettingStr(int group, std::string_view key) const;
  void SetSettingInt(int group, std::string_view key, int value);
  void SetSettingStr(int group, std::string_view key, std::string_view text);

  // Loads the six groups, then the global variables. Returns 0 or the first
  // store error (keys that could not be read keep their defaults).
  int LoadSettings();
  // Saves the six groups, then the global variables. With `takePageEdits` set
  // the page-edit handler (the settings window, when open) runs first.
  // Returns 0 or the first store error.
  int SaveSettings(int takePageEdits);
  void SetPageEditsHandler(std::function<void()> handler) { pageEdits_ = std::move(handler); }

  // Puts `path` at the top of the recent-project list unless it is already in
  // it, and saves group 0. Returns 0 or the store error.
  int AddRecentProject(const std::string& path);

  std::vector<GlobalVariable>& GlobalVars() { return globalVars_; }
  const std::vector<GlobalVariable>& GlobalVars() const { return globalVars_; }
  _Settings& Group(int group) { return groups_[group]; }

 private:
  const _Settings* GroupFor(int group) const;
  void RegisterKeys();
  int LoadGlobalVars();
  int SaveGlobalVars();

  CLog* log_;
  _Settings groups_[kGroupCount];
  std::vector<GlobalVariable> globalVars_;
  std::function<void()> pageEdits_;
};
