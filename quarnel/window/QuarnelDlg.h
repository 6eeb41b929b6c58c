// CQuarnelDlg: quarnel's main window. Pages (welcome, project, execution
// console, report preview, BLOB loader, project migration) in one frame with
// menus, a toolbar and a status line; the commands call the core (document,
// connection, run control, reports, tools) and show their results.
//
// Loads, saves, runs and the BLOB loader work on worker threads while the
// window stays responsive; while one is under way the commands that would
// touch the project or the connection are disabled. The engine's messages and
// questions come through the window's Prompt as message boxes.
//
// REQUIRES: the application's settings, log, library, document and
// connection outlive the window; a QApplication exists.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "engine/Generator.h"
#include "quarnel/RunControl.h"
#include "quarnel/TableNames.h"
#include "quarnel/editor/EditorContext.h"
#include "quarnel/window/GuiPrompt.h"

class BlobLoaderPage;
class CQuarnelApp;
class ConsolePage;
class LogWindow;
class MigrationPage;
class ProjectPage;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class ReportPage;
class SchemaDialog;
class RuleListModel;
class WelcomePage;

class CQuarnelDlg final : public QMainWindow {
  Q_OBJECT

 public:
  // What the window is busy with; only kIdle lets the commands work.
  enum class Busy { kIdle, kRunning, kLoading, kSaving, kLoadingBlobs, kVerifying, kConnecting, kReadingSchema };
  // Asks for a file: caption, filter, whether to save; empty means cancelled.
  using FileChooser = std::function<QString(const QString& caption, const QString& filter, bool save)>;

  explicit CQuarnelDlg(CQuarnelApp& app, QWidget* parent = nullptr);
  ~CQuarnelDlg() override;

  // The run command; false when no run started.
  bool Run();
  // Runs the checked rules (checkedOnly) or the selected one.
  bool RunSelected(bool checkedOnly);
  void Break();
  // Tools > Verify Schema: the schema check alone, on a worker thread.
  void VerifySchema();
  // Loads `path` on a worker thread, replacing the project or appending its
  // rules; `then` gets DoLoad's status once the window is idle again.
  void OpenProject(const QString& path, bool replace, std::function<void(int)> then = {});
  // The save command (with backup; a new project asks for its file).
  void Save(std::function<void(int)> then = {});
  // Asks before the project is replaced; true to go on.
  bool ConfirmDiscard();
  void NewProject();
  void ConnectInteractively();
  // Writes the execution report of the console's lines to `path`; 0 or the
  // report writer's status.
  int WriteExecutionReportTo(const std::string& path);

  Busy busy() const { return busy_; }
  const RunSummary& lastRun() const { return lastRun_; }
  void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  // Opens a written report in the viewer; the desktop's default without one.
  void setFileOpener(std::function<void(const QString&)> opener) { openFile_ = std::move(opener); }

  ConsolePage& consolePage() { return *console_; }
  ProjectPage& projectPage() { return *project_; }
  RuleListModel& rules() { return *rules_; }
  QStackedWidget& pages() { return *pages_; }
  QString statusText() const;
  QAction* action(const QString& objectName) const;

 signals:
  void runFinished();
  void schemaVerified(int differences);
  void loadFinished(int status);
  void saveFinished(int status);
  void exportFinished(int status);
  void connectFinished(bool connected);
  void startupFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreatePages();
  QAction* AddAction(const QString& name, const QString& text, const QKeySequence& shortcut,
                     std::function<void()> handler);

  // Deferred start-up, in its steps.
  void StartUp();
  void StartUpConnect();
  void StartUpShow();
  void StartUpEnd();
  // Connects on a worker thread (asking first with `ask`), then `then`.
  void ConnectInBackground(int ask, std::function<void()> then);

  // Commands.
  void OpenCommand(bool replace);
  void SaveAs(bool checkedOnly);
  void ExportCommand(bool portable);
  void ProjectReportCommand();
  void PreviewReport();
  void ExecutionReportCommand();
  void ShowSettings();
  void ShowBlobLoader();
  void RunBlobLoader();
  void Migrate();
  void ViewLog();
  void ShowTips();

  // Rule commands (RuleCommands.cpp): the editors over the project.
  void OpenRule(int row);
  void AddRule(int kind);
  void RuleWizardCommand();
  void NamedGeneratorsCommand();
  void VariablesCommand();
  // What the editors borrow: connection, settings, library, the table names.
  EditorContext MakeEditorContext();
  // After an editor ran: the rule list, heading and title read again.
  void ProjectEdited(int selectRow);
  void RebuildRecentMenu();

  // The run command, once the project is saved where the settings ask for
  // it: its checks, then the connection it asks for, then LaunchRun.
  void StartRun();
  // Starts the engine on a worker.
  void LaunchRun();
  void RunEnded(const RunSummary& summary);
  // The schema check's findings in their dialog, made on first use.
  void ShowSchemaDifferences(std::vector<SchemaDifference> differences);
  // Saves on a worker thread with `save` (a ProjectDocument operation).
  void SaveInBackground(std::function<int()> save, std::function<void(int)> then);

  void SetBusy(Busy busy);
  void UpdateActions();
  void RefreshProject();
  void ShowStatus(const std::string& text);
  void ShowConnectionStatus();
  // A message of the connection: its summary goes to the connection field
  // only, other texts to the status line.
  void ShowConnectionMessage(const std::string& text);
  void ShowPage(QWidget* page);
  std::string ChooseProjectPath();
  QString ChooseFile(const QString& caption, const QString& filter, bool save);
  void OpenFile(const QString& path);
  struct ReportInfo ReportFacts() const;
  void Shutdown();

  CQuarnelApp& app_;
  GuiPrompt prompt_;
  ScopedPrompt promptInUse_;
  RunControl control_;
  RuleListModel* rules_;
  QStackedWidget* pages_;
  WelcomePage* welcome_;
  ProjectPage* project_;
  ConsolePage* console_;
  ReportPage* report_;
  BlobLoaderPage* blob_;
  MigrationPage* migration_;
  QLabel* status_;
  QProgressBar* busyBar_;
  SchemaDialog* schemaDialog_ = nullptr;
  LogWindow* logWindow_ = nullptr;  // made on first use
  QMenu* recentMenu_;
  TableNameCache tableNames_;  // cleared whenever the connection changes
  Busy busy_ = Busy::kIdle;
  bool closeWhenIdle_ = false;
  bool closing_ = false;
  RunSummary lastRun_;
  FileChooser chooseFile_;
  std::function<void(const QString&)> openFile_;
};
