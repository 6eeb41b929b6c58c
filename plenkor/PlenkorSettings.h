// plenkor's program settings: the keys of its settings table with their
// defaults, and the list of recently used definition files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/Settings.h"

inline constexpr std::string_view kPlenkorProfile = "Plenkor";
inline constexpr int kRecentFiles = 10;

// Registers every key of plenkor with its type and default.
void RegisterPlenkorSettings(_Settings& settings);

// The recent-files rule: a path not yet among "PkProfile0" .. "PkProfile9"
// (exact comparison) moves the others down one place and becomes
// "PkProfile0", and the settings are saved; a listed path changes nothing.
// Returns 0, or the store's error code of the save.
int AddRecentFile(_Settings& settings, const std::string& path);
// The listed files that exist, most recent first.
std::vector<std::string> RecentFiles(const _Settings& settings);
