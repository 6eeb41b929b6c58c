#include "support/AdvConnect.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/SysReg.h"
#include "support/TextUtil.h"

namespace {
constexpr const char* kLastConnectionKey = "Software\\Orvanesoft\\Quarnel\\Connection";
constexpr int kProfileError = -20;

// A profile for a file database (SQLite, MDB) names its file relative to the
// profile's own folder, so that the profile works from any working folder.
std::string ResolveDatabaseFile(const std::string& conStr, const std::filesystem::path& folder) {
  const std::string upper = ToUpperAscii(conStr);
  if (upper.find("SQLITE") == std::string::npos && upper.find("MDB") == std::string::npos) return conStr;
  std::string out;
  size_t pos = 0;
  while (pos <= conStr.size()) {
    size_t end = conStr.find(';', pos);
    if (end == std::string::npos) end = conStr.size();
    std::string part = conStr.substr(pos, end - pos);
    size_t eq = part.find('=');
    if (eq != std::string::npos) {
      std::string key = ToUpperAscii(TrimText(part.substr(0, eq)));
      std::string value = part.substr(eq + 1);
      if ((key == "DATABASE" || key == "DBQ") && !value.empty() && value[0] != '/' && value[0] != '{' &&
          value != ":memory:")
        part = part.substr(0, eq + 1) + (folder / value).lexically_normal().string();
    }
    out += part;
    if (end < conStr.size()) out += ';';
    pos = end + 1;
  }
  return out;
}
}  // namespace

CAdvConnect::CAdvConnect() {
  CSysReg store(kLastConnectionKey, CSysReg::kUserStore);
  if (store.ReadSection(kProfileSection)) settings_.Load(store, kProfileRecord);
}

int CAdvConnect::LoadProfile(const std::string& path, CONN_INFO* info, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    *error = "Connection profile '" + path + "' was not found.";
    return kProfileError;
  }
  CSysReg store(path, CSysReg::kDiskFile);
  if (store.LastStatus() != 0) {
    *error = "Connection profile '" + path + "' could not be read: " + store.LastError();
    return kProfileError;
  }
  if (!store.ReadSection(kProfileSection)) {
    *error = "Connection profile '" + path + "' holds no [" + kProfileSection + "] section.";
    return kProfileError;
  }
  CONN_INFO read;
  read.Load(store, kProfileRecord);
  if (read.ConType == 0) read.ConType = CONN_INFO::kOdbc;
  if (read.conStr.empty() && read.conDSN.empty()) {
    *error = "Connection profile '" + path + "' names neither a data source nor a connection string.";
    return kProfileError;
  }
  read.conStr = ResolveDatabaseFile(read.conStr, std::filesystem::absolute(path, ec).parent_path());
  *info = read;
  return 0;
}

int CAdvConnect::SaveProfile(const std::string& path, const CONN_INFO& info, std::string* error) {
  CSysReg store(path, CSysReg::kDiskFile, 1);
  store.SetFileMode(0600);
  store.Section(kProfileSection);
  info.Save(store, kProfileRecord);
  int status = 0;
  if (!store.SaveSection(&status)) {
    *error = "Connection profile '" + path + "' could not be written: " + store.LastError();
    return status ? status : kProfileError;
  }
  return 0;
}

int CAdvConnect::DoConnect(std::unique_ptr<CDB>& connection, const std::string& profile) {
  error_.clear();
  CONN_INFO info = settings_;
  if (!profile.empty()) {
    int status = LoadProfile(profile, &info, &error_);
    if (status != 0) return status;
  }
  if (info.ConType == 0) info.ConType = CONN_INFO::kOdbc;
  int type = 0;
  if (connection) connection->Interface(&type);
  if (!connection || type != info.ConType) connection = CDB::newDB(info.ConType);
  if (!connection) {
    error_ = "Unknown connection interface " + std::to_string(info.ConType);
    return kProfileError;
  }
  int status = connection->Connect(info);
  if (!CDB::isOK(status)) {
    error_ = connection->ErrorText();
    return status;
  }
  settings_ = info;
  CSysReg store(kLastConnectionKey, CSysReg::kUserStore, 1);
  store.SetFileMode(0600);
  store.Section(kProfileSection);
  info.Save(store, kProfileRecord);
  store.SaveSection();
  return 0;
}
