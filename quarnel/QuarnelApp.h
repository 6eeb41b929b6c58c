// The quarnel program: start-up in its fixed order (settings, log, command
// line, value library), then either the main window or console mode, then
// shutdown. Console mode needs no display: it connects, loads the project
// given on the command line, runs it and ends.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "quarnel/CommandLine.h"

class CLog;
class ProgramSettings;
class ConnectionControl;
class ProjectDocument;
class VLibrary;
struct RunSummary;

class CQuarnelApp {
 public:
  static constexpr const char* kTitle = "Quarnel";

  CQuarnelApp();
  ~CQuarnelApp();

  // Shows the main window and returns when it closes; set by a build that has
  // one. Without it only console mode is available.
  std::function<int(CQuarnelApp&)> showWindow;

  // Start-up, the window or console mode, shutdown. Returns the exit status.
  int InitInstance(int argc, const char* const* argv);

  const AppState& state() const { return state_; }
  ProgramSettings& settings() { return *settings_; }
  CLog& log() { return *log_; }
  ConnectionControl& connection() { return *connection_; }
  ProjectDocument& document() { return *document_; }
  VLibrary& library() { return *library_; }
  const std::string& libraryPath() const { return libraryPath_; }

  // Text for the console of console mode, with a line feed when `lineFeed` is
  // set; nothing without a console.
  void ConsoleOutput(std::string_view text, int lineFeed);

 private:
  int RunConsole();
  // Writes the execution report of --exec-report from the rules of the run;
  // returns WriteExecutionReport's status.
  int WriteConsoleReport(const RunSummary& summary);

  AppState state_;
  std::unique_ptr<CLog> log_;
  std::unique_ptr<ProgramSettings> settings_;
  std::unique_ptr<VLibrary> library_;
  std::unique_ptr<ProjectDocument> document_;
  std::unique_ptr<ConnectionControl> connection_;
  std::filesystem::path programPath_;
  std::string libraryPath_;
  bool hasConsole_ = false;
};
