// The program's database connection and the commands that make it: connecting
// through a connection profile or the connection dialog's settings, the checks
// that follow every successful connection (identifier quotes from the QChars
// setting, the date-conversion template for servers that need one), and the
// connection counter that views read to notice a new connection.
//
// Shared by console mode and the main window; the window supplies the
// connection dialog and the status line through the hooks.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "support/AdvConnect.h"
#include "support/Database.h"

class CLog;
class ProgramSettings;

class ConnectionControl {
 public:
  // The connection object lives in `db` (the open project's, so that loading
  // a project can restore its own connection); `settings`, `log` and `db`
  // must outlive this object.
  ConnectionControl(ProgramSettings& settings, CLog& log, std::unique_ptr<CDB>& db);

  // Connection profile of the command line (-@); used when it names an
  // existing file.
  void setProfile(const std::string& path) { profile_ = path; }
  bool hasProfile() const { return !profile_.empty(); }
  // Whether the last successful connection came from that profile.
  bool connectedByProfile() const { return connectedByProfile_; }

  // Shows the connection dialog; returns true when it ended with OK. Without
  // a dialog (console mode) asking is answered with cancel.
  std::function<bool(CAdvConnect&)> askDialog;
  // Shows a text in the status line (the window only).
  std::function<void(const std::string&)> showStatus;
  // Told after each successful connection whether it came from the profile.
  std::function<void(bool fromProfile)> onConnected;

  // Connects; returns 1 on success, the connect call's non-zero error code on
  // failure, -1 without asking when the command line's profile is missing,
  // and 0 when `ask` was set and the dialog was cancelled.
  int DoConnect(int ask);
  // Sets the date-conversion template for Oracle targets when it is empty.
  void DateConversionCheck();

  CDB* connection() { return db_.get(); }
  bool connected() const { return db_ && db_->connected(); }
  int connectionCounter() const { return counter_; }
  // The database name shown beside the connection (at most 30 characters).
  const std::string& databaseName() const { return databaseName_; }
  void Disconnect();

 private:
  void Status(const std::string& text);

  ProgramSettings& settings_;
  CLog& log_;
  CAdvConnect advConnect_;
  std::unique_ptr<CDB>& db_;
  std::string profile_;
  std::string databaseName_;
  int counter_ = 0;
  bool connectedByProfile_ = false;
};
