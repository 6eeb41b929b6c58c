#include "quarnel/window/InputHistory.h"

#include <algorithm>

#include "support/SysReg.h"

std::vector<std::string> InputHistory::Load(std::string_view box) {
  std::vector<std::string> entries;
  CSysReg store(kStoreKey, CSysReg::kUserStore);
  if (!store.ReadSection(box)) return entries;
  int count = 0;
  store.Read("Count", count, 0);
  count = std::clamp(count, 0, static_cast<int>(kKept));
  for (int i = 0; i < count; ++i) {
    std::string entry;
    if (store.ReadByNo("Item", i, entry, "") && !entry.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

int InputHistory::Add(std::string_view box, const std::string& entry) {
  if (entry.empty()) return 0;
  std::vector<std::string> entries = Load(box);
  entries.erase(std::remove(entries.begin(), entries.end(), entry), entries.end());
  entries.insert(entries.begin(), entry);
  if (entries.size() > kKept) entries.resize(kKept);
  CSysReg store(kStoreKey, CSysReg::kUserStore);
  store.Section(box, 1);
  store.Save("Count", static_cast<int>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) store.SaveByNo("Item", static_cast<int>(i), std::string_view(entries[i]));
  int status = 0;
  store.SaveSection(&status);
  return status;
}
