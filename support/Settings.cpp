#include "support/Settings.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "support/Log.h"

namespace {

const std::string kEmpty;

int DecimalOrZero(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() ? value : 0;
}

}  // namespace

void _Settings::Add(std::string_view name, int type, int intDefault, std::string_view textDefault) {
  auto [it, added] = index_.try_emplace(std::string(name), entries_.size());
  if (added) entries_.emplace_back();
  Entry& entry = entries_[it->second];
  entry.name = std::string(name);
  entry.type = type == kInt ? kInt : kText;
  entry.intDefault = intDefault;
  entry.textDefault = std::string(textDefault);
  if (entry.type == kInt) {
    Assign(entry, intDefault);
  } else {
    Assign(entry, entry.textDefault);
  }
}

void _Settings::SetProfileName(std::string_view profile, CLog* log, std::string_view storeKey) {
  profile_ = std::string(profile);
  log_ = log;
  storeKey_ = std::string(storeKey);
}

void _Settings::Assign(Entry& entry, int value) {
  entry.intValue = value;
  char digits[16];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  entry.textValue.assign(digits, end);
}

void _Settings::Assign(Entry& entry, std::string_view value) {
  entry.textValue.assign(value);
  entry.intValue = DecimalOrZero(value);
}

const _Settings::Entry* _Settings::Lookup(std::string_view name, const char* caller) const {
  auto it = index_.find(name);
  if (it != index_.end()) return &entries_[it->second];
  std::string where = std::string("_Settings::") + caller + " [" + profile_ + "]";
  std::string message = "unregistered setting: " + std::string(name);
  if (log_) {
    log_->Bug(message, where);
  } else {
    std::fprintf(stderr, "%s %s\n", message.c_str(), where.c_str());
  }
  return nullptr;
}

int _Settings::getInt(std::string_view name) const {
  const Entry* entry = Lookup(name, "getInt");
  return entry ? entry->intValue : 0;
}

const std::string& _Settings::getStr(std::string_view name) const {
  const Entry* entry = Lookup(name, "getStr");
  return entry ? entry->textValue : kEmpty;
}

void _Settings::setInt(std::string_view name, int value) {
  if (const Entry* entry = Lookup(name, "setInt")) {
    Assign(entries_[static_cast<size_t>(entry - entries_.data())], value);
  }
}

void _Settings::setStr(std::string_view name, std::string_view value) {
  if (const Entry* entry = Lookup(name, "setStr")) {
    Entry& target = entries_[static_cast<size_t>(entry - entries_.data())];
    if (target.type == kInt) {
      Assign(target, DecimalOrZero(value));
    } else {
      Assign(target, value);
    }
  }
}

int _Settings::LoadData() {
  int rc = store_.Open(storeKey_, CSysReg::kUserStore);
  if (rc == ENOENT) rc = 0;
  if (rc != 0 && log_) log_->Bug(store_.LastError(), "_Settings::LoadData");
  store_.ReadSection(profile_);
  std::string text;
  for (Entry& entry : entries_) {
    if (entry.type == kInt) {
      int value = 0;
      store_.Read(entry.name, value, entry.intDefault);
      Assign(entry, value);
    } else {
      store_.Read(entry.name, text, entry.textDefault);
      Assign(entry, text);
    }
  }
  return rc;
}

int _Settings::SaveData() {
  // Re-read the file so that sections saved by other tables since our load
  // survive this save.
  int rc = store_.Open(storeKey_, CSysReg::kUserStore);
  if (rc != 0 && rc != ENOENT && rc != CSysReg::kBadFormat) return rc;
  store_.SetFileMode(0600);  // per-user settings may hold passwords (vssPassword)
  store_.Section(profile_, 1);
  for (const Entry& entry : entries_) {
    if (entry.type == kInt) {
      store_.Save(entry.name, entry.intValue);
    } else {
      store_.Save(entry.name, std::string_view(entry.textValue));
    }
  }
  int status = 0;
  store_.SaveSection(&status);
  if (status != 0 && log_) log_->Bug(store_.LastError(), "_Settings::SaveData");
  return status;
}
