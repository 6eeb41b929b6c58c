#include "quarnel/window/QuarnelDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "GenTmpl/VLibrary.h"
#include "gui/LogWindow.h"
#include "project/ProjectDocument.h"
#include "project/ProjectExport.h"
#include "quarnel/BlobLoader.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/ProjectTools.h"
#include "GenTmpl/VLibrary.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/Reports.h"
#include "quarnel/Version.h"
#include "quarnel/WindowText.h"
#include "quarnel/editor/FileSuffix.h"
#include "quarnel/window/BlobLoaderPage.h"
#include "quarnel/window/ColumnWidths.h"
#include "quarnel/window/ConnectDialog.h"
#include "quarnel/window/ConsoleModel.h"
#include "quarnel/window/ConsolePage.h"
#include "quarnel/window/GuiThread.h"
#include "quarnel/window/MigrationPage.h"
#include "quarnel/window/ProjectPage.h"
#include "quarnel/window/ReportPage.h"
#include "quarnel/window/RuleListModel.h"
#include "quarnel/window/SchemaDialog.h"
#include "quarnel/window/SettingsDialog.h"
#include "quarnel/window/TipsDialog.h"
#include "quarnel/window/WelcomePage.h"
#include "support/Database.h"
#include "support/Log.h"

namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }

const QString kProjectFilter = QStringLiteral("Quarnel projects (*.qrp);;All Files (*)");
const QString kHtmlFilter = QStringLiteral("HTML documents (*.html);;All Files (*)");
constexpr int kStartUpDelayMs = 10;
constexpr int kProjectColumns = RuleListModel::kColumnCount - 1;  // P_W1..P_W4
constexpr int kConsoleColumns = ConsoleModel::kColumnCount;

}  // namespace

CQuarnelDlg::CQuarnelDlg(CQuarnelApp& app, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      prompt_(this),
      promptInUse_(prompt_),
      control_(app.settings(), app.log(), app.connection(), &app.library(), app.libraryPath()) {
  control_.performanceMode = app.state().performance;
  rules_ = new RuleListModel(app_.document(), this);
  connect(rules_, &RuleListModel::edited, this, [this] { RefreshProject(); });
  CreatePages();
  CreateActions();
  CreateMenus();
  // The rule commands follow the selection, the check marks and the rules.
  const auto follow = [this] { UpdateActions(); };
  connect(project_->list().selectionModel(), &QItemSelectionModel::selectionChanged, this, follow);
  connect(rules_, &QAbstractItemModel::dataChanged, this, follow);
  connect(rules_, &QAbstractItemModel::modelReset, this, follow);
  connect(rules_, &QAbstractItemModel::rowsInserted, this, follow);
  connect(rules_, &QAbstractItemModel::rowsRemoved, this, follow);
  connect(&console_->model(), &QAbstractItemModel::rowsInserted, this, follow);
  connect(&console_->model(), &QAbstractItemModel::modelReset, this, follow);
  status_ = new QLabel(this);
  busyBar_ = new QProgressBar(this);
  busyBar_->setObjectName(QStringLiteral("busyBar"));
  busyBar_->setRange(0, 0);  // no end known: it only moves
  busyBar_->setMaximumWidth(120);
  busyBar_->hide();
  statusBar()->addPermanentWidget(busyBar_);
  statusBar()->addPermanentWidget(status_);

  ConnectionControl& connection = app_.connection();
  connection.showStatus = [this](const std::string& text) {
    PostToGuiThread(this, [this, text] { ShowConnectionMessage(text); });
  };
  connection.askDialog = [this](CAdvConnect& advConnect) {
    bool accepted = false;
    CallOnGuiThread([&] {
      ConnectDialog dialog(advConnect.settings(), this);
      if (dialog.exec() != QDialog::Accepted) return;
      advConnect.setSettings(dialog.Info());
      accepted = true;
    });
    return accepted;
  };
  resize(900, 600);
  RefreshProject();
  ShowConnectionStatus();
  UpdateActions();
  QTimer::singleShot(kStartUpDelayMs, this, &CQuarnelDlg::StartUp);
}

CQuarnelDlg::~CQuarnelDlg() {
  app_.connection().showStatus = {};
  app_.connection().askDialog = {};
}

// ---- Construction

void CQuarnelDlg::CreatePages() {
  pages_ = new QStackedWidget(this);
  welcome_ = new WelcomePage(pages_);
  project_ = new ProjectPage(*rules_, pages_);
  console_ = new ConsolePage(pages_);
  report_ = new ReportPage(pages_);
  blob_ = new BlobLoaderPage(pages_);
  migration_ = new MigrationPage(pages_);
  for (QWidget* page : {static_cast<QWidget*>(welcome_), static_cast<QWidget*>(project_),
                        static_cast<QWidget*>(console_), static_cast<QWidget*>(report_),
                        static_cast<QWidget*>(blob_), static_cast<QWidget*>(migration_)}) {
    pages_->addWidget(page);
  }
  setCentralWidget(pages_);
  RestoreColumnWidths(project_->list(), app_.settings(), "P_W", 1, kProjectColumns);
  RestoreColumnWidths(console_->list(), app_.settings(), "C_W", 1, kConsoleColumns);

  connect(welcome_, &WelcomePage::connectRequested, this, &CQuarnelDlg::ConnectInteractively);
  connect(welcome_, &WelcomePage::openRequested, this, [this] { OpenCommand(true); });
  connect(welcome_, &WelcomePage::newRequested, this, &CQuarnelDlg::NewProject);
  connect(welcome_, &WelcomePage::recentChosen, this, [this](const QString& path) {
    if (ConfirmDiscard()) OpenProject(path, true);
  });
  connect(project_, &ProjectPage::ruleActivated, this, &CQuarnelDlg::OpenRule);
  connect(console_, &ConsolePage::runRequested, this, [this] { Run(); });
  connect(console_, &ConsolePage::breakRequested, this, &CQuarnelDlg::Break);
  connect(console_, &ConsolePage::saveReportRequested, this, &CQuarnelDlg::ExecutionReportCommand);
  connect(console_, &ConsolePage::viewLogRequested, this, &CQuarnelDlg::ViewLog);
  connect(report_, &ReportPage::saveRequested, this, &CQuarnelDlg::ProjectReportCommand);
  connect(blob_, &BlobLoaderPage::runRequested, this, &CQuarnelDlg::RunBlobLoader);
  connect(migration_, &MigrationPage::migrateRequested, this, &CQuarnelDlg::Migrate);
}

QAction* CQuarnelDlg::AddAction(const QString& name, const QString& text, const QKeySequence& shortcut,
                                std::function<void()> handler) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  // Without hotkeys the commands keep only their menu mnemonics.
  if (!shortcut.isEmpty() && app_.settings().GetSettingInt(1, "UseHotKeys")) action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, std::move(handler));
  addAction(action);
  return action;
}

QAction* CQuarnelDlg::action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void CQuarnelDlg::CreateActions() {
  AddAction("new", "&New Project", QKeySequence::New, [this] { NewProject(); });
  AddAction("open", "&Open Project...", QKeySequence::Open, [this] { OpenCommand(true); });
  AddAction("append", "&Append Project Rules...", {}, [this] { OpenCommand(false); });
  AddAction("save", "&Save Project", QKeySequence::Save, [this] { Save(); });
  AddAction("saveAs", "Save Project &As...", QKeySequence::SaveAs, [this] { SaveAs(false); });
  AddAction("exportChecked", "Export &Checked Rules...", {}, [this] { SaveAs(true); });
  AddAction("exportPortable", "&Portable Export...", {}, [this] { ExportCommand(true); });
  AddAction("exportScript", "Sc&ript Export...", {}, [this] { ExportCommand(false); });
  AddAction("quit", "E&xit", QKeySequence::Quit, [this] { close(); });
  AddAction("connect", "&Connect...", {}, [this] { ConnectInteractively(); });
  AddAction("disconnect", "&Disconnect", {}, [this] {
    app_.connection().Disconnect();
    ShowConnectionStatus();
    UpdateActions();
  });
  AddAction("run", "&Run All Rules", QKeySequence(Qt::CTRL | Qt::Key_R), [this] { Run(); });
  AddAction("runChecked", "Run Chec&ked Rules", {}, [this] { RunSelected(true); });
  AddAction("runSelected", "Run &Selected Rule", {}, [this] { RunSelected(false); });
  AddAction("break", "&Break", {}, [this] { Break(); });
  AddAction("verifySchema", "&Verify Schema", {}, [this] { VerifySchema(); });
  AddAction("projectReport", "Project &HTML Report...", QKeySequence(Qt::Key_F4), [this] { ProjectReportCommand(); });
  AddAction("previewReport", "Project Report Pre&view", {}, [this] { PreviewReport(); });
  AddAction("executionReport", "&Execution Report...", {}, [this] { ExecutionReportCommand(); });
  AddAction("newDataRule", "New &Data Rule...", {}, [this] { AddRule(kRuleData); });
  AddAction("newTablesRule", "New &Tables Rule...", {}, [this] { AddRule(kRuleTables); });
  AddAction("newObjectsRule", "New &Objects Rule...", {}, [this] { AddRule(kRuleObjects); });
  AddAction("newFileRule", "New &File Rule...", {}, [this] { AddRule(kRuleFile); });
  AddAction("newClearRule", "New C&lear Rule...", {}, [this] { AddRule(kRuleClear); });
  AddAction("editRule", "&Edit Rule...", {}, [this] { OpenRule(project_->selectedRow()); });
  AddAction("ruleWizard", "Rule &Wizard...", QKeySequence(Qt::CTRL | Qt::Key_W), [this] { RuleWizardCommand(); });
  AddAction("namedGenerators", "&Named Generators...", {}, [this] { NamedGeneratorsCommand(); });
  AddAction("variables", "&Variables...", {}, [this] { VariablesCommand(); });
  AddAction("blobLoader", "&BLOB Loader", {}, [this] { ShowBlobLoader(); });
  AddAction("migration", "Project &Migration", {}, [this] { ShowPage(migration_); });
  AddAction("settings", "&Settings...", QKeySequence::Preferences, [this] { ShowSettings(); });
  AddAction("viewLog", "View &Log", QKeySequence(Qt::CTRL | Qt::Key_L), [this] { ViewLog(); });
  AddAction("welcomePage", "&Welcome", {}, [this] { ShowPage(welcome_); });
  AddAction("projectPage", "&Project", {}, [this] { ShowPage(project_); });
  AddAction("consolePage", "Execution &Console", {}, [this] { ShowPage(console_); });
  AddAction("tips", "&Tips...", {}, [this] { ShowTips(); });
  AddAction("about", "&About Quarnel", {}, [this] {
    QMessageBox::about(this, QStringLiteral("About Quarnel"),
                       QStringLiteral("Quarnel %1\nFills the tables of a database with generated test data.")
                           .arg(QString::fromLatin1(kQuarnelVersion)));
  });
  action("run")->setToolTip(QStringLiteral("Run All Rules (Ctrl+R)"));
  action("projectReport")->setToolTip(QStringLiteral("Project HTML report (F4)"));
}

void CQuarnelDlg::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(action("new"));
  file->addAction(action("open"));
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &CQuarnelDlg::RebuildRecentMenu);
  for (const char* name : {"append", "save", "saveAs", "exportChecked", "exportPortable", "exportScript"}) {
    file->addAction(action(name));
  }
  file->addSeparator();
  file->addAction(action("quit"));
  QMenu* database = menuBar()->addMenu(QStringLiteral("&Database"));
  database->addAction(action("connect"));
  database->addAction(action("disconnect"));
  QMenu* project = menuBar()->addMenu(QStringLiteral("&Project"));
  for (const char* name : {"run", "runChecked", "runSelected", "break"}) project->addAction(action(name));
  project->addSeparator();
  for (const char* name : {"projectReport", "previewReport", "executionReport"}) project->addAction(action(name));
  QMenu* rules = menuBar()->addMenu(QStringLiteral("&Rules"));
  for (const char* name : {"ruleWizard", "editRule"}) rules->addAction(action(name));
  rules->addSeparator();
  for (const char* name : {"newDataRule", "newTablesRule", "newObjectsRule", "newFileRule", "newClearRule"})
    rules->addAction(action(name));
  rules->addSeparator();
  for (const char* name : {"namedGenerators", "variables"}) rules->addAction(action(name));
  QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
  for (const char* name : {"verifySchema", "blobLoader", "migration", "viewLog"}) tools->addAction(action(name));
  tools->addSeparator();
  tools->addAction(action("settings"));
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  for (const char* name : {"welcomePage", "projectPage", "consolePage", "previewReport"}) view->addAction(action(name));
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(action("tips"));
  help->addAction(action("about"));

  QToolBar* bar = addToolBar(QStringLiteral("Commands"));
  bar->setObjectName(QStringLiteral("commands"));
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addAction(action("new"));
  // The open button's drop-down lists the recent projects.
  bar->addAction(action("open"));
  if (auto* open = qobject_cast<QToolButton*>(bar->widgetForAction(action("open")))) {
    open->setMenu(recentMenu_);
    open->setPopupMode(QToolButton::MenuButtonPopup);
  }
  bar->addAction(action("save"));
  bar->addSeparator();
  bar->addAction(action("connect"));
  bar->addAction(action("ruleWizard"));
  bar->addSeparator();
  bar->addAction(action("run"));
  bar->addAction(action("break"));
  bar->addAction(action("projectReport"));
  bar->addSeparator();
  bar->addAction(action("settings"));
}

void CQuarnelDlg::RebuildRecentMenu() {
  recentMenu_->clear();
  const std::vector<std::string> recent = RecentProjects(app_.settings());
  if (recent.empty()) {
    recentMenu_->addAction(QStringLiteral("No recent files"))->setEnabled(false);
    return;
  }
  for (const std::string& path : recent) {
    QAction* entry = recentMenu_->addAction(Qs(path));
    entry->setEnabled(busy_ == Busy::kIdle);
    connect(entry, &QAction::triggered, this, [this, path = Qs(path)] {
      if (ConfirmDiscard()) OpenProject(path, true);
    });
  }
}

// ---- Deferred start-up

void CQuarnelDlg::StartUp() {
  ProgramSettings& settings = app_.settings();
  // Said once here: the columns and functions that need the library say so
  // themselves when a run meets them.
  if (!app_.library().IsOpen()) prompt_.Message("Value Library", app_.library().LastError(), PromptIcon::kWarning);
  if (TipsDialog::ShowAtStart()) ShowTips();
  std::string path = app_.state().projectFile;
  if (path.empty() && settings.GetSettingInt(1, "LoadLastFile")) path = settings.GetSettingStr(0, "LastFile");
  if (!path.empty() && QFileInfo(Qs(path)).isFile()) {
    OpenProject(Qs(path), true, [this](int) { StartUpConnect(); });
  } else {
    StartUpConnect();
  }
}

void CQuarnelDlg::StartUpConnect() {
  ProgramSettings& settings = app_.settings();
  const std::string& profile = app_.state().profile;
  if (!app_.connection().connected()) {
    const bool profileExists = !profile.empty() && QFileInfo(Qs(profile)).isFile();
    if (profileExists || (settings.GetSettingInt(1, "RestoreConn") && settings.GetSettingInt(0, "isConnected"))) {
      ConnectInBackground(0, [this] { StartUpShow(); });
      return;
    }
  }
  StartUpShow();
}

void CQuarnelDlg::StartUpShow() {
  ProgramSettings& settings = app_.settings();
  const bool hasRules = !app_.document().project().rules.empty();
  if (hasRules) {
    settings.SetSettingStr(0, "LastFile", "");
    ShowPage(project_);
  } else {
    ShowPage(settings.GetSettingInt(1, "Welcome") ? static_cast<QWidget*>(welcome_) : project_);
  }
  if (!app_.connection().connected() && settings.GetSettingInt(1, "AskConnect") &&
      settings.GetSettingInt(0, "UseConnect")) {
    ConnectInBackground(1, [this] { StartUpEnd(); });
    return;
  }
  StartUpEnd();
}

void CQuarnelDlg::StartUpEnd() {
  ShowConnectionStatus();
  UpdateActions();
  if (app_.state().runAtStart) Run();
  if (app_.state().runFromConsolePage) {
    ShowPage(console_);
    QMetaObject::invokeMethod(&console_->runButton(), &QPushButton::click, Qt::QueuedConnection);
  }
  emit startupFinished();
}

// ---- Project commands

bool CQuarnelDlg::ConfirmDiscard() {
  if (busy_ != Busy::kIdle) return false;
  // "Yes" saves on a worker; the window stays painted and answering while it
  // waits, its commands disabled, and the file dialog of a new project shows
  // on this thread.
  const auto choose = [this] {
    std::string path;
    CallOnGuiThread([&] { path = ChooseProjectPath(); });
    return path;
  };
  const auto runSave = [this](const std::function<int()>& save) {
    SetBusy(Busy::kSaving);
    int status = 0;
    QEventLoop waiting;
    RunInBackground(this, [&status, &save] { status = save(); }, [&waiting] { waiting.quit(); });
    waiting.exec();
    SetBusy(Busy::kIdle);
    return status;
  };
  const bool goOn = app_.document().ConfirmDiscard(choose, runSave);
  RefreshProject();
  return goOn;
}

void CQuarnelDlg::NewProject() {
  if (busy_ != Busy::kIdle || !ConfirmDiscard()) return;
  ProjectDocument& document = app_.document();
  document.project() = Project{};
  document.setPath({});
  document.setModified(false);
  rules_->reload();
  RefreshProject();
  ShowPage(project_);
}

void CQuarnelDlg::OpenCommand(bool replace) {
  if (busy_ != Busy::kIdle) return;
  if (replace && !ConfirmDiscard()) return;
  const QString path = ChooseFile(QStringLiteral("Select Project File"), kProjectFilter, false);
  if (!path.isEmpty()) OpenProject(path, replace);
}

void CQuarnelDlg::OpenProject(const QString& path, bool replace, std::function<void(int)> then) {
  if (busy_ != Busy::kIdle) {
    if (then) then(ProjectDocument::kBusy);
    return;
  }
  SetBusy(Busy::kLoading);
  rules_->setDetached(true);
  auto status = std::make_shared<int>(0);
  // An absolute path, so that the recent list and LastFile still find the
  // file after the working folder moved to the project's.
  const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
  ProjectDocument& document = app_.document();
  // The project's connection is restored on the worker too: connecting to a
  // slow server keeps the window waiting no more than loading does. Appended
  // rules join the project as it is, connection included.
  auto summary = std::make_shared<std::string>();
  RunInBackground(
      this,
      [&document, file, replace, status, summary] {
        *status = document.DoLoad(file, replace);
        if (*status == 0 && replace && document.RestoreConnection(summary.get()) != 0) summary->clear();
      },
      [this, file, replace, status, summary, then = std::move(then)] {
        rules_->setDetached(false);
        rules_->reload();
        SetBusy(Busy::kIdle);
        if (*status == 0) {
          // Relative names in a project (text files, output files) mean
          // names beside the project file.
          if (replace) QDir::setCurrent(QFileInfo(Qs(file)).absolutePath());
          if (!summary->empty()) ShowConnectionMessage(*summary);
          ShowPage(project_);
        }
        RefreshProject();
        ShowConnectionStatus();
        emit loadFinished(*status);
        if (then) then(*status);
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::SaveInBackground(std::function<int()> save, std::function<void(int)> then) {
  SetBusy(Busy::kSaving);
  auto status = std::make_shared<int>(0);
  RunInBackground(
      this, [save = std::move(save), status] { *status = save(); },
      [this, status, then = std::move(then)] {
        SetBusy(Busy::kIdle);
        RefreshProject();
        emit saveFinished(*status);
        if (then) then(*status);
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::Save(std::function<void(int)> then) {
  if (busy_ != Busy::kIdle) {
    if (then) then(ProjectDocument::kBusy);
    return;
  }
  ProjectDocument& document = app_.document();
  // The file dialog of a new project is shown from the worker on this thread.
  SaveInBackground(
      [this, &document] {
        return document.SaveWithBackup([this] {
          std::string path;
          CallOnGuiThread([&] { path = ChooseProjectPath(); });
          return path;
        });
      },
      std::move(then));
}

void CQuarnelDlg::SaveAs(bool checkedOnly) {
  if (busy_ != Busy::kIdle) return;
  if (checkedOnly && rules_->checkedRows().empty()) {
    prompt_.Message("Warning!", "No rule is checked.\nCheck the rules to export in the project list.",
                    PromptIcon::kWarning);
    return;
  }
  const std::string path = ChooseProjectPath();
  if (path.empty()) return;
  ProjectDocument& document = app_.document();
  std::vector<bool> checked = rules_->checked();
  SaveInBackground([&document, path, checkedOnly, checked] { return document.DoSave(path, checkedOnly, checked); },
                   {});
}

void CQuarnelDlg::ExportCommand(bool portable) {
  if (busy_ != Busy::kIdle) return;
  const QString suffix = portable ? QStringLiteral("qrp2") : QStringLiteral("qrl");
  const QString filter = portable ? QStringLiteral("Orvane Quarnel Portable Projects (*.qrp2);;All Files (*)")
                                  : QStringLiteral("Orvane Quarnel Script (*.qrl);;All Files (*)");
  const QString path = WithSuffix(ChooseFile(QStringLiteral("Export Project File to"), filter, true), suffix);
  if (path.isEmpty()) return;
  const ProgramSettings& settings = app_.settings();
  // What the worker reads, kept alive for it: the export may ask the server
  // about key columns, which takes its time on a slow one.
  struct Export {
    ExportContext context;
    std::vector<ProjectVariable> globals;
    int status = 0;
  };
  auto work = std::make_shared<Export>();
  work->context.settings.DateFormat = settings.GetSettingStr(4, "DateFormat");
  work->context.settings.TimeFormat = settings.GetSettingStr(4, "TimeFormat");
  work->context.settings.DateTimeSep = settings.GetSettingStr(4, "DateTimeSep");
  work->context.settings.MaxBlobSize = settings.GetSettingInt(3, "MaxBlobSize");
  for (const GlobalVariable& variable : settings.GlobalVars()) {
    work->globals.push_back({variable.Name, variable.Type, variable.Def, {}});
  }
  work->context.globals = &work->globals;
  work->context.connection = app_.connection().connected() ? app_.connection().connection() : nullptr;
  Project& project = app_.document().project();
  SetBusy(Busy::kSaving);
  RunInBackground(
      this,
      [work, &project, portable, file = path.toStdString()] {
        work->status = portable ? ExportPortable(file, project, work->context) : ExportScript(file, project, work->context);
      },
      [this, work, path] {
        SetBusy(Busy::kIdle);
        if (work->status != 0) {
          prompt_.Message("Error", "Could not export project file.", PromptIcon::kError);
        } else {
          ShowStatus("Exported to " + path.toStdString());
        }
        emit exportFinished(work->status);
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::Migrate() {
  if (busy_ != Busy::kIdle) return;
  const int changed = MigrateProject(app_.document(), migration_->newSchema(), migration_->newLinkedSchema());
  rules_->setDetached(false);
  rules_->reload();
  RefreshProject();
  ShowStatus(std::to_string(changed) + " table name(s) migrated");
  ShowPage(project_);
}

// ---- Running

bool CQuarnelDlg::Run() {
  if (busy_ != Busy::kIdle) return false;
  if (app_.document().project().rules.empty()) {
    prompt_.Message("Warning!", "Your generation project is empty.\nPlease add at least one rule before execution.",
                    PromptIcon::kError);
    return false;
  }
  const std::string& partial = app_.document().PartialLoad();
  if (!partial.empty() &&
      prompt_.Ask("Warning!",
                  "The project was loaded in part: " + partial + "\nRun it as it is now?",
                  PromptIcon::kWarning, PromptButtons::kYesNo, PromptAnswer::kNo) != PromptAnswer::kYes) {
    return false;
  }
  if (app_.settings().GetSettingInt(3, "SaveProject")) {
    Save([this](int) { StartRun(); });
  } else {
    StartRun();
  }
  return true;
}

bool CQuarnelDlg::RunSelected(bool checkedOnly) {
  if (busy_ != Busy::kIdle) return false;
  std::vector<int16_t> selection;
  if (checkedOnly) {
    for (int row : rules_->checkedRows()) selection.push_back(static_cast<int16_t>(row));
  } else if (project_->selectedRow() >= 0) {
    selection.push_back(static_cast<int16_t>(project_->selectedRow()));
  }
  if (selection.empty()) {
    prompt_.Message("Warning!", "No list item was selected.", PromptIcon::kWarning);
    return false;
  }
  control_.ruleSelection = std::move(selection);
  if (!Run()) {
    control_.ruleSelection.clear();
    return false;
  }
  return true;
}

void CQuarnelDlg::StartRun() {
  if (!control_.Begin(app_.document().project())) {
    control_.ruleSelection.clear();
    return;
  }
  // The connection a run asks for is made on a worker, as the Connect
  // command's; the run goes on with or without it.
  if (control_.AsksToConnect()) {
    ConnectInBackground(1, [this] { LaunchRun(); });
  } else {
    LaunchRun();
  }
}

void CQuarnelDlg::LaunchRun() {
  if (closeWhenIdle_) {
    // Closed while the run's connection was being made: no run.
    control_.End();
    return;
  }
  auto options = std::make_shared<RunOptions>();
  ConsolePage* page = console_;
  control_.Prepare(app_.document().project(), *options, [page](int message, int number, const std::string& text) {
    if (message == kConsoleText) return;  // console mode's text; no console here
    PostToGuiThread(page, [page, message, number, text] { page->Apply(message, number, text); });
  });
  console_->Clear();
  ShowPage(console_);
  SetBusy(Busy::kRunning);
  rules_->setDetached(true);
  auto summary = std::make_shared<RunSummary>();
  RunInBackground(
      this, [options, summary] { *summary = RunControl::Execute(*options); },
      [this, options, summary] { RunEnded(*summary); });
}

void CQuarnelDlg::RunEnded(const RunSummary& summary) {
  lastRun_ = summary;
  control_.End();
  rules_->setDetached(false);
  SetBusy(Busy::kIdle);
  RefreshProject();
  if (summary.cancelled) {
    ShowStatus("Run cancelled");
  } else if (!summary.schemaDifferences.empty()) {
    ShowStatus("The run stopped before any rule ran: the database schema differs from the data rules");
    ShowSchemaDifferences(summary.schemaDifferences);
  } else if (summary.stopped && summary.rulesExecuted == 0) {
    ShowStatus("The run stopped before any rule ran; the log (View Log) says why");
  } else {
    ShowStatus("Run ended: " + std::to_string(summary.inserted) + " inserted, " + std::to_string(summary.rejected) +
               " rejected");
  }
  emit runFinished();
  if (closeWhenIdle_ || (app_.state().quitAfterRun && !app_.state().console)) close();
}

void CQuarnelDlg::Break() {
  if (busy_ == Busy::kRunning) control_.Break();
}

void CQuarnelDlg::VerifySchema() {
  if (busy_ != Busy::kIdle || !app_.connection().connected()) return;
  auto options = std::make_shared<RunOptions>();
  control_.PrepareGenerator(*options, app_.document().project());
  SetBusy(Busy::kVerifying);
  rules_->setDetached(true);
  auto differences = std::make_shared<std::vector<SchemaDifference>>();
  RunInBackground(
      this, [options, differences] { *differences = RunControl::VerifySchema(*options); },
      [this, differences] {
        rules_->setDetached(false);
        SetBusy(Busy::kIdle);
        RefreshProject();
        const int count = static_cast<int>(differences->size());
        if (count == 0) {
          ShowStatus("The database schema matches the data rules");
          prompt_.Message("Database Schema Verification",
                          "The tables and columns of the enabled data rules match the database.",
                          PromptIcon::kInformation);
        } else {
          ShowStatus(std::to_string(count) + " difference(s) between the database schema and the data rules");
          ShowSchemaDifferences(std::move(*differences));
        }
        emit schemaVerified(count);
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::ShowSchemaDifferences(std::vector<SchemaDifference> differences) {
  if (!schemaDialog_) schemaDialog_ = new SchemaDialog(this);
  schemaDialog_->SetDifferences(std::move(differences));
  schemaDialog_->show();
  schemaDialog_->raise();
  schemaDialog_->activateWindow();
}

// ---- Connection

void CQuarnelDlg::ConnectInteractively() {
  if (busy_ != Busy::kIdle) return;
  ConnectInBackground(1, {});
}

void CQuarnelDlg::ConnectInBackground(int ask, std::function<void()> then) {
  // The connection dialog, when asked for, shows on this thread while the
  // worker waits; the server's answer is awaited on the worker.
  SetBusy(Busy::kConnecting);
  ConnectionControl& connection = app_.connection();
  RunInBackground(
      this, [&connection, ask] { connection.DoConnect(ask); },
      [this, then = std::move(then)] {
        SetBusy(Busy::kIdle);
        ShowConnectionStatus();
        emit connectFinished(app_.connection().connected());
        if (then) then();
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::ShowConnectionStatus() {
  tableNames_.Clear();
  ConnectionControl& connection = app_.connection();
  if (!connection.connected()) {
    status_->setText(QStringLiteral("Not connected"));
    return;
  }
  const CDB* db = connection.connection();
  status_->setText(Qs(db->dbmsName() + ": " + db->Info().ConInfo()));
}

void CQuarnelDlg::ShowStatus(const std::string& text) { statusBar()->showMessage(Qs(text)); }

void CQuarnelDlg::ShowConnectionMessage(const std::string& text) {
  ShowConnectionStatus();
  // The connection's summary is what the connection field shows already.
  ConnectionControl& connection = app_.connection();
  if (connection.connected() && text == connection.connection()->Info().ConInfo()) {
    statusBar()->clearMessage();
  } else {
    ShowStatus(text);
  }
}

QString CQuarnelDlg::statusText() const { return status_->text(); }

// ---- Reports

ReportInfo CQuarnelDlg::ReportFacts() const {
  ReportInfo info;
  info.title = CQuarnelApp::kTitle;
  info.version = kQuarnelVersion;
  ConnectionControl& connection = app_.connection();
  if (connection.connected()) {
    const CDB* db = connection.connection();
    info.connection = db->dbmsName() + ": " + db->Info().ConInfo();
  }
  return info;
}

void CQuarnelDlg::ProjectReportCommand() {
  if (busy_ != Busy::kIdle) return;
  const QString path = WithSuffix(ChooseFile(QStringLiteral("Save Project Report"), kHtmlFilter, true), "html");
  if (path.isEmpty()) return;
  if (WriteProjectReport(path.toStdString(), app_.document().project(), ReportFacts(), &prompt_) == 0) {
    OpenFile(path);
  }
}

void CQuarnelDlg::PreviewReport() {
  if (busy_ != Busy::kIdle) return;
  if (report_->Show(app_.document().project(), ReportFacts())) ShowPage(report_);
}

int CQuarnelDlg::WriteExecutionReportTo(const std::string& path) {
  return WriteExecutionReport(path, console_->model().lines(), ReportFacts(), &prompt_);
}

void CQuarnelDlg::ExecutionReportCommand() {
  const QString path = WithSuffix(ChooseFile(QStringLiteral("Select Report File"), kHtmlFilter, true), "html");
  if (path.isEmpty()) return;
  if (WriteExecutionReportTo(path.toStdString()) == 0) {
    ShowStatus("Execution report written to " + path.toStdString());
    OpenFile(path);
  }
}

// ---- Tools

void CQuarnelDlg::ShowSettings() {
  SettingsDialog dialog(app_.settings(), this);
  dialog.exec();
}

void CQuarnelDlg::ShowBlobLoader() {
  if (busy_ != Busy::kIdle) return;
  blob_->Prepare(app_.connection().connection(), BlobRequestFrom(app_.settings()));
  ShowPage(blob_);
}

void CQuarnelDlg::RunBlobLoader() {
  CDB* db = app_.connection().connection();
  if (busy_ != Busy::kIdle || !db || !db->connected()) return;
  const BlobLoadRequest request = blob_->Request();
  StoreBlobRequest(app_.settings(), request);
  app_.settings().Group(0).SaveData();
  SetBusy(Busy::kLoadingBlobs);
  QProgressBar* bar = &blob_->progress();
  auto loader = std::make_shared<BlobLoader>(*db, &app_.log(), &prompt_);
  BlobProgress progress;
  progress.status = [this](const std::string& text) { PostToGuiThread(this, [this, text] { ShowStatus(text); }); };
  progress.range = [bar](int64_t range) {
    PostToGuiThread(bar, [bar, range] { bar->setRange(0, static_cast<int>(std::clamp<int64_t>(range, 1, INT32_MAX))); });
  };
  progress.position = [bar](int64_t position) {
    PostToGuiThread(bar, [bar, position] { bar->setValue(static_cast<int>(std::min<int64_t>(position, bar->maximum()))); });
  };
  loader->setProgress(std::move(progress));
  RunInBackground(
      this, [loader, request] { loader->Run(request); },
      [this, loader] {
        SetBusy(Busy::kIdle);
        ShowStatus("BLOBs loaded: " + std::to_string(loader->loaded()) + ", failed: " + std::to_string(loader->failed()));
        if (closeWhenIdle_) close();
      });
}

void CQuarnelDlg::ViewLog() {
  // An external viewer, when the settings name one; the log window otherwise,
  // and when that viewer cannot be started.
  const QString viewer = Qs(app_.settings().GetSettingStr(0, "LogViewer")).trimmed();
  if (!viewer.isEmpty()) {
    if (QProcess::startDetached(viewer, {Qs(app_.log().Path())})) return;
    ShowStatus("The log viewer '" + viewer.toStdString() + "' could not be started");
  }
  if (!logWindow_) logWindow_ = new LogWindow(app_.log(), this);
  logWindow_->show();
  logWindow_->raise();
  logWindow_->activateWindow();
}

void CQuarnelDlg::ShowTips() {
  auto* tips = new TipsDialog(StartupTips(), this);
  tips->setAttribute(Qt::WA_DeleteOnClose);
  tips->show();
}

// ---- State shown

void CQuarnelDlg::ShowPage(QWidget* page) {
  if (page == migration_) migration_->setEnabledForProject(!app_.document().project().rules.empty());
  pages_->setCurrentWidget(page);
}

void CQuarnelDlg::SetBusy(Busy busy) {
  const bool waitCursor = busy == Busy::kLoading || busy == Busy::kSaving;
  const bool hadWaitCursor = busy_ == Busy::kLoading || busy_ == Busy::kSaving;
  if (waitCursor && !hadWaitCursor) QApplication::setOverrideCursor(Qt::BusyCursor);
  if (!waitCursor && hadWaitCursor) QApplication::restoreOverrideCursor();
  busy_ = busy;
  // Runs and the BLOB loader show their own progress; the rest moves this bar.
  busyBar_->setVisible(busy != Busy::kIdle && busy != Busy::kRunning && busy != Busy::kLoadingBlobs);
  console_->setRunning(busy == Busy::kRunning);
  blob_->setRunning(busy == Busy::kLoadingBlobs);
  project_->setEditable(busy == Busy::kIdle);
  UpdateActions();
}

void CQuarnelDlg::UpdateActions() {
  const bool idle = busy_ == Busy::kIdle;
  const bool connected = app_.connection().connected();
  for (const char* name : {"new", "open", "append", "save", "saveAs", "exportPortable", "exportScript", "connect",
                           "projectReport", "previewReport", "blobLoader", "migration", "settings", "newDataRule",
                           "newTablesRule", "newObjectsRule", "newFileRule", "newClearRule", "namedGenerators",
                           "variables"}) {
    action(name)->setEnabled(idle);
  }
  // Commands on rules act only with rules to act on: the list is empty while
  // a worker owns the project.
  const bool hasRules = rules_->rowCount() > 0;
  const bool selected = hasRules && project_->selectedRow() >= 0;
  const bool checked = hasRules && !rules_->checkedRows().empty();
  action("run")->setEnabled(idle && hasRules);
  for (const char* name : {"runSelected", "editRule"}) action(name)->setEnabled(idle && selected);
  for (const char* name : {"runChecked", "exportChecked"}) action(name)->setEnabled(idle && checked);
  action("disconnect")->setEnabled(idle && connected);
  action("ruleWizard")->setEnabled(idle && connected);
  action("verifySchema")->setEnabled(idle && connected);
  action("break")->setEnabled(busy_ == Busy::kRunning);
  action("executionReport")->setEnabled(console_->model().rowCount() > 0);
  welcome_->setEnabled(idle);
  migration_->setEnabled(idle);
}

void CQuarnelDlg::RefreshProject() {
  const ProjectDocument& document = app_.document();
  if (busy_ == Busy::kLoading) return;  // the worker owns the project
  setWindowTitle(Qs(WindowTitle(CQuarnelApp::kTitle, document.path(), document.modified(), app_.state().performance)));
  const Project& project = document.project();
  project_->Refresh(Qs(ProjectHeading(project.rules.size())), Qs(project.Description));
  project_->list().setColumnHidden(RuleListModel::kTransactionSize, !app_.settings().GetSettingInt(1, "ShowTransSize"));
  welcome_->setRecent(RecentProjects(app_.settings()));
}

// ---- Files

QString CQuarnelDlg::ChooseFile(const QString& caption, const QString& filter, bool save) {
  if (chooseFile_) return chooseFile_(caption, filter, save);
  return save ? QFileDialog::getSaveFileName(this, caption, QString(), filter)
              : QFileDialog::getOpenFileName(this, caption, QString(), filter);
}

void CQuarnelDlg::OpenFile(const QString& path) {
  if (openFile_) {
    openFile_(path);
  } else {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }
}

std::string CQuarnelDlg::ChooseProjectPath() {
  return WithSuffix(ChooseFile(QStringLiteral("Save Project File"), kProjectFilter, true), "qrp").toStdString();
}

// ---- Shutdown

void CQuarnelDlg::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  if (busy_ == Busy::kRunning) {
    // The engine is stopped first; the window closes, asking about unsaved
    // changes as usual, once the run has ended and nothing else touches the
    // project.
    event->ignore();
    if (!closeWhenIdle_ && prompt_.Ask("Warning!", "A project run is under way.\nStop it and close the window?",
                                       PromptIcon::kQuestion, PromptButtons::kYesNo,
                                       PromptAnswer::kNo) == PromptAnswer::kYes) {
      closeWhenIdle_ = true;
      control_.Break();
    }
    return;
  }
  if (busy_ != Busy::kIdle) {
    event->ignore();
    closeWhenIdle_ = true;
    return;
  }
  closeWhenIdle_ = false;
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  closing_ = true;
  Shutdown();
  event->accept();
}

void CQuarnelDlg::Shutdown() {
  ProgramSettings& settings = app_.settings();
  StoreColumnWidths(project_->list(), settings, "P_W", 1, kProjectColumns);
  StoreColumnWidths(console_->list(), settings, "C_W", 1, kConsoleColumns);
  ConnectionControl& connection = app_.connection();
  settings.SetSettingInt(0, "isConnected", connection.connected() ? 1 : 0);
  connection.Disconnect();
  settings.SetSettingStr(0, "LastFile", app_.document().path());
  settings.SaveSettings(1);
}
