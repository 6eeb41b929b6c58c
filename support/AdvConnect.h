// Making the program's connection: from a connection profile (a small store
// file holding one connection record, given with -@ on the command line) or
// from the settings last chosen in the connection dialog, which are kept in the
// per-user store so that the next start can restore them.
#pragma once

#include <memory>
#include <string>

#include "support/ConnInfo.h"
#include "support/Database.h"

class CAdvConnect {
 public:
  // Section and record name of the connection in a profile file.
  static constexpr const char* kProfileSection = "Connection";
  static constexpr const char* kProfileRecord = "Connection";

  CAdvConnect();

  // Settings the next DoConnect without a profile uses (the dialog's).
  const CONN_INFO& settings() const { return settings_; }
  void setSettings(const CONN_INFO& info) { settings_ = info; }

  // Connects `connection` (created when null, replaced when its interface
  // type differs) with the profile file when `profile` is not empty, else with
  // the dialog's settings. Returns 0 on success; otherwise a non-zero code and
  // the reason in the connection's ErrorText() (or LastError() when there is
  // no connection object to hold it). A success stores the settings as the
  // last connection.
  int DoConnect(std::unique_ptr<CDB>& connection, const std::string& profile);
  const std::string& LastError() const { return error_; }

  // Reads a profile; 0 on success, else a code and a message in `error`.
  static int LoadProfile(const std::string& path, CONN_INFO* info, std::string* error);
  // Writes a profile readable only by its owner, since it may hold a password.
  static int SaveProfile(const std::string& path, const CONN_INFO& info, std::string* error);

 private:
  CONN_INFO settings_;
  std::string error_;
};
