// The history of earlier entries of an input box (the date, time and
// conversion boxes of the settings window), kept per box in the per-user
// store "Software\Orvanesoft\Quarnel\History", most recent first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class InputHistory {
 public:
  static constexpr std::string_view kStoreKey = "Software\\Orvanesoft\\Quarnel\\History";
  static constexpr size_t kKept = 20;

  // The entries of box `box`, most recent first.
  static std::vector<std::string> Load(std::string_view box);
  // Puts `entry` first (moving it when already there) and stores the list;
  // an empty entry changes nothing. Returns 0 or the store's error.
  static int Add(std::string_view box, const std::string& entry);
};
