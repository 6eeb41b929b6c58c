#include "support/AdvConnect.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/SysReg.h"

namespace {
constexpr const char* kLastConnectionKey = "Software\\Orvanesoft\\Quarnel\\Connection";
constexpr int kProfileError = -20;
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
