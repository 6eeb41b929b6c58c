#include "quarnel/WindowText.h"

#include <filesystem>
#include <system_error>

#include "quarnel/ProgramSettings.h"

namespace {

constexpr size_t kHeadKept = 9;
constexpr size_t kTailKept = 33;

// String resources 10000 to 10011; the last two are left empty.
constexpr const char* kTipResources[] = {
    "Press Ctrl+R to run every enabled rule of the project. The execution console shows each rule's progress "
    "and counts, and its Break button stops the run after the current row.",
    "Only some rules needed? Check them in the project list and choose Project > Run Checked Rules, or select one "
    "rule and choose Run Selected Rule.",
    "Press F4 for the project report: an HTML description of every rule and column that you can keep with the "
    "project or send to a colleague.",
    "After a run, Save Report... on the execution console writes the console lines as an HTML execution report.",
    "A connection profile (a small file made with Save Profile... in the connection dialog) lets you run a project "
    "unattended: quarnel -c -@profile.qcp project.qrp.",
    "Set Repeatable in Settings > Project Execution Settings to generate the same data on every run; the initial "
    "seed decides which data.",
    "The open button's drop-down lists your recent projects. Start-up reopens the last one when 'Load recent "
    "project at the program start' is set.",
    "Export Checked Rules writes only the checked rules to a new project file; the open project stays as it is.",
    "The Project Migration Tool moves every table of the project to another schema (owner) in one step; save the "
    "project afterwards to keep the change.",
    "The BLOB Loader fills a large-object column of an existing table with the contents of the files in a folder.",
    "",
    "",
};

}  // namespace

std::string ShortenPath(std::string_view path) {
  if (path.size() < kTitlePathLimit) return std::string(path);
  return std::string(path.substr(0, kHeadKept)) + "..." + std::string(path.substr(path.size() - kTailKept));
}

std::string WindowTitle(std::string_view title, std::string_view path, bool modified, bool performance) {
  std::string text(title);
  text += " [";
  text += path.empty() ? std::string("Untitled") : ShortenPath(path);
  if (modified) text += " *";
  text += "]";
  if (performance) text += " {PM}";
  return text;
}

std::string ProjectHeading(size_t rules) {
  std::string text = "     Quarnel Project";
  if (rules > 0) text += " (" + std::to_string(rules) + " rule" + (rules == 1 ? "" : "s") + ")";
  return text;
}

std::vector<std::string> RecentProjects(const ProgramSettings& settings) {
  std::vector<std::string> paths;
  for (int i = 0; i < ProgramSettings::kRecentCount; ++i) {
    const std::string& path = settings.GetSettingStr(0, "Profile" + std::to_string(i));
    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> StartupTips() {
  std::vector<std::string> tips;
  for (const char* tip : kTipResources) {
    if (*tip) tips.emplace_back(tip);
  }
  return tips;
}
