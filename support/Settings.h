// _Settings: a typed table of named settings kept in one section of the
// per-user store.
//
// Every key is registered once with Add() before use, with its type (kInt or
// kText) and default. LoadData() reads the table's section; keys missing from
// the store, or holding text where a number is expected, keep their defaults.
// SaveData() rewrites the section and leaves the other sections of the file
// as they are, so several tables can share one file.
//
// Asking for a key that was never registered is a programming error: the
// call gives the empty value of its type and writes an error entry to the log
// (or to standard error when no log is attached). Not thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/SysReg.h"

class CLog;

class _Settings {
 public:
  static constexpr int kText = 0;
  static constexpr int kInt = 1;
  // The per-user store that holds every settings table ("Settings.ini").
  static constexpr std::string_view kDefaultStore = "Software\\Orvanesoft\\Quarnel\\Settings";

  // Registers a key; a second Add of the same name replaces its type and default.
  void Add(std::string_view name, int type, int intDefault, std::string_view textDefault);

  // Chooses the section (`profile`) this table is kept in, and the log that
  // hears about misuse. `storeKey` names the per-user store.
  void SetProfileName(std::string_view profile, CLog* log = nullptr,
                      std::string_view storeKey = kDefaultStore);

  // Both return 0 on success or the store's error code. A store file that does
  // not exist yet counts as success for LoadData (first start).
  int LoadData();
  int SaveData();

  // Text keys read as integers by a decimal parse (0 when not a number); integer
  // keys read as text in decimal.
  int getInt(std::string_view name) const;
  const std::string& getStr(std::string_view name) const;
  void setInt(std::string_view name, int value);
  void setStr(std::string_view name, std::string_view value);

  bool Has(std::string_view name) const { return index_.find(name) != index_.end(); }
  const std::string& ProfileName() const { return profile_; }
  CSysReg* GetRegPtr() { return &store_; }

 private:
  struct Entry {
    std::string name;
    int type = kText;
    int intValue = 0;
    std::string textValue;
    int intDefault = 0;
    std::string textDefault;
  };
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  const Entry* Lookup(std::string_view name, const char* caller) const;
  static void Assign(Entry& entry, int value);
  static void Assign(Entry& entry, std::string_view value);

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> index_;
  std::string profile_;
  std::string storeKey_{kDefaultStore};
  CLog* log_ = nullptr;
  CSysReg store_;
};
