#include "plenkor/PlenkorSettings.h"

#include <filesystem>

namespace {

std::string RecentKey(int n) { return "PkProfile" + std::to_string(n); }

}  // namespace

void RegisterPlenkorSettings(_Settings& settings) {
  for (int n = 0; n < kRecentFiles; ++n) settings.Add(RecentKey(n), _Settings::kText, 0, "");
  settings.Add("PkW1", _Settings::kInt, 82, "");
  settings.Add("PkW2", _Settings::kInt, 60, "");
  settings.Add("PkW3", _Settings::kInt, 90, "");
  settings.Add("PkW4", _Settings::kInt, 70, "");
  settings.Add("PkLastFile", _Settings::kText, 0, "");
  settings.Add("PkAskOverwrite", _Settings::kInt, 1, "");
  settings.Add("PkShowTypes", _Settings::kInt, 1, "");
  settings.Add("PkSpinStep", _Settings::kInt, 1000, "");
  settings.Add("PkEmptyLines", _Settings::kInt, 0, "");
  // The program that shows the log; empty for the program's own log window.
  settings.Add("LogViewer", _Settings::kText, 0, "");
}

int AddRecentFile(_Settings& settings, const std::string& path) {
  for (int n = 0; n < kRecentFiles; ++n) {
    if (settings.getStr(RecentKey(n)) == path) return 0;
  }
  for (int n = kRecentFiles - 1; n > 0; --n) settings.setStr(RecentKey(n), settings.getStr(RecentKey(n - 1)));
  settings.setStr(RecentKey(0), path);
  return settings.SaveData();
}

std::vector<std::string> RecentFiles(const _Settings& settings) {
  std::vector<std::string> files;
  for (int n = 0; n < kRecentFiles; ++n) {
    const std::string& path = settings.getStr(RecentKey(n));
    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) files.push_back(path);
  }
  return files;
}
