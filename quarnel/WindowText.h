// The texts the main window shows about the open project: its title with the
// shortened path, the modified and performance marks, the project page's
// heading, and the recent-project menu's entries. Kept apart from the window
// so that they are computed without a display.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class ProgramSettings;

// Paths of this length or longer are shortened in the title.
constexpr size_t kTitlePathLimit = 45;

// A path of kTitlePathLimit or more characters as its first 9 characters,
// "..." and its last 33; shorter paths whole.
std::string ShortenPath(std::string_view path);

// "<title> [<path or Untitled>< *>]< {PM}>".
std::string WindowTitle(std::string_view title, std::string_view path, bool modified, bool performance);

// "     Quarnel Project (3 rules)"; without a count when there are no rules.
std::string ProjectHeading(size_t rules);

// The entries Profile0..Profile9 whose files exist, most recent first.
std::vector<std::string> RecentProjects(const ProgramSettings& settings);

// The tip texts of the start-up tips dialog, in order (string resources
// 10000 to 10011, the empty ones left out).
std::vector<std::string> StartupTips();
