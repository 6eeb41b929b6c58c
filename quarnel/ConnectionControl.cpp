#include "quarnel/ConnectionControl.h"

#include <filesystem>

#include "quarnel/ProgramSettings.h"
#include "support/Log.h"
#include "support/Prompt.h"

namespace {
constexpr const char* kOracleDateConversion = "to_date('%s','YYYY-MM-DD HH24:MI:SS')";
constexpr size_t kShownDatabaseName = 30;
}  // namespace

ConnectionControl::ConnectionControl(ProgramSettings& settings, CLog& log, std::unique_ptr<CDB>& db)
    : settings_(settings), log_(log), db_(db) {}

void ConnectionControl::Status(const std::string& text) {
  if (showStatus) showStatus(text);
}

int ConnectionControl::DoConnect(int ask) {
  if (ask && !(askDialog && askDialog(advConnect_))) return 0;
  log_.State("CQuarnelDlg::DoConnect");
  Status("Connecting to database");
  std::error_code ec;
  std::string profile;
  if (!profile_.empty()) {
    const bool found = std::filesystem::is_regular_file(profile_, ec);
    if (!found) CurrentPrompt().Message("Warning!", "Connection profile not found: " + profile_, PromptIcon::kWarning);
    if (!found && !ask) {
      // Connecting with the stored settings instead would reach a database
      // the user did not name; from the dialog the user chose anew.
      Status("Not connected");
      log_.ClearState();
      return -1;
    }
    if (found) profile = profile_;
  }
  int result = advConnect_.DoConnect(db_, profile);
  if (result != 0) {
    CurrentPrompt().Message("Connection error", advConnect_.LastError(), PromptIcon::kError);
    Status("Not connected");
    log_.ClearState();
    return result;
  }
  Status(db_->Info().ConInfo());
  connectedByProfile_ = !profile.empty();
  if (onConnected) onConnected(connectedByProfile_);
  ++counter_;
  databaseName_ = db_->Info().conDB.substr(0, kShownDatabaseName);
  const std::string& quotes = settings_.GetSettingStr(3, "QChars");
  if (!quotes.empty()) db_->SetQuoteChars(quotes[0], quotes.size() > 1 ? quotes[1] : quotes[0]);
  DateConversionCheck();
  log_.ClearState();
  return 1;
}

void ConnectionControl::DateConversionCheck() {
  if (!connected() || db_->serverKind() != kServerOracle) return;
  if (!settings_.GetSettingStr(4, "DateConversion").empty()) return;
  settings_.SetSettingStr(4, "DateConversion", kOracleDateConversion);
  log_.Bug(std::string("Reset 'DateConversion' to:") + kOracleDateConversion, "CQuarnelDlg::DateConversionCheck");
  settings_.Group(4).SaveData();
}

void ConnectionControl::Disconnect() {
  if (db_) db_->Disconnect();
}
