#include "plenkor/window/PlenkorWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "GenTmpl/PatternEngine.h"
#include "gui/LogWindow.h"
#include "plenkor/FlatFile.h"
#include "plenkor/FlatFileRun.h"
#include "plenkor/Generators.h"
#include "plenkor/PlenkorSettings.h"
#include "plenkor/window/FieldEditor.h"
#include "plenkor/window/FieldListModel.h"
#include "plenkor/window/FileFilters.h"
#include "plenkor/window/GuiPrompt.h"
#include "plenkor/window/RunController.h"
#include "plenkor/window/SettingsDialog.h"
#include "plenkor/window/StructureDialogs.h"
#include "support/Log.h"
#include "support/Settings.h"

namespace {

constexpr const char* kWarning = "Warning";
constexpr const char* kWidthKeys[FieldListModel::kColumns] = {"PkW1", "PkW2", "PkW3", "PkW4"};
// The "File Format" list, in the order of FileFormat.
constexpr const char* kFormats[] = {"Delimited by Tab", "Comma Separated Values (CSV)", "Fixed Width",
                                    "With custom separators"};

// The toolbar's pictures: the desktop theme's, or the style's own where the
// theme has none.
struct CommandIcon {
  const char* action;
  const char* theme;
  QStyle::StandardPixmap fallback;
};
constexpr CommandIcon kIcons[] = {
    {"new", "document-new", QStyle::SP_FileIcon},
    {"open", "document-open", QStyle::SP_DialogOpenButton},
    {"save", "document-save", QStyle::SP_DialogSaveButton},
    {"saveAs", "document-save-as", QStyle::SP_DriveFDIcon},
    {"add", "list-add", QStyle::SP_FileDialogNewFolder},
    {"remove", "list-remove", QStyle::SP_TrashIcon},
    {"up", "go-up", QStyle::SP_ArrowUp},
    {"down", "go-down", QStyle::SP_ArrowDown},
    {"import", "document-import", QStyle::SP_ArrowForward},
    {"export", "document-export", QStyle::SP_ArrowBack},
    {"execute", "media-playback-start", QStyle::SP_MediaPlay},
    {"cancel", "process-stop", QStyle::SP_BrowserStop},
    {"log", "text-x-generic", QStyle::SP_FileDialogDetailedView},
    {"settings", "preferences-system", QStyle::SP_FileDialogInfoView},
    {"about", "help-about", QStyle::SP_MessageBoxInformation},
};

std::string Core(const QString& text) { return text.toStdString(); }

}  // namespace

PlenkorWindow::PlenkorWindow(PlenkorServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), definition_(NewDefinition()) {
  setObjectName("plenkorWindow");
  sampleEngine_ = std::make_unique<PatternEngine>();
  sampleEngine_->SetLog(&services_.log);
  sampleEngine_->Init(services_.libraryPath, 0);

  FlatRunEnvironment environment;
  environment.settings = &services_.settings;
  environment.prompt = &services_.prompt;
  environment.log = &services_.log;
  environment.library = services_.library;
  environment.libraryPath = services_.libraryPath;
  run_ = std::make_unique<RunController>(std::move(environment), this);
  connect(run_.get(), &RunController::Started, this, &PlenkorWindow::RunStarted);
  connect(run_.get(), &RunController::Progressed, this, &PlenkorWindow::RunProgressed);
  connect(run_.get(), &RunController::Finished, this, &PlenkorWindow::RunFinished);

  BuildActions();
  BuildLayout();
  ShowDefinition();
  resize(980, 660);
}

PlenkorWindow::~PlenkorWindow() {
  // The run and the views use the definition: both go before it does.
  run_.reset();
  list_->setModel(nullptr);
}

QAction* PlenkorWindow::NewAction(const char* name, const QString& text, const QString& tip,
                                  const QKeySequence& key, void (PlenkorWindow::*slot)()) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  action->setToolTip(tip);
  if (!key.isEmpty()) action->setShortcut(key);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

void PlenkorWindow::BuildActions() {
  newAction_ = NewAction("new", "&New", "Create new empty project (Ctrl+N)", QKeySequence("Ctrl+N"),
                         &PlenkorWindow::NewFile);
  openAction_ = NewAction("open", "&Open...", "Load project from the disk file (Ctrl+O)", QKeySequence("Ctrl+O"),
                          &PlenkorWindow::Open);
  saveAction_ = NewAction("save", "&Save", "Save project to the disk file (Ctrl+S)", QKeySequence("Ctrl+S"),
                          &PlenkorWindow::Save);
  saveAsAction_ = NewAction("saveAs", "Save &As...", "Save project to specified file name", {}, &PlenkorWindow::SaveAs);
  addAction_ = NewAction("add", "&Add", "Add new column (Ins)", QKeySequence(Qt::Key_Insert), &PlenkorWindow::AddField);
  removeAction_ = NewAction("remove", "&Remove", "Remove selected column (Del)", QKeySequence(Qt::Key_Delete),
                            &PlenkorWindow::RemoveField);
  upAction_ = NewAction("up", "Move &Up", "Move selected column up (Ctrl+U)", QKeySequence("Ctrl+U"), &PlenkorWindow::MoveUp);
  downAction_ = NewAction("down", "Move &Down", "Move selected column down (Ctrl+D)", QKeySequence("Ctrl+D"),
                          &PlenkorWindow::MoveDown);
  importAction_ = NewAction("import", "&Import Structure...", "Import file structure (Ctrl+I)", QKeySequence("Ctrl+I"),
                            &PlenkorWindow::Import);
  exportAction_ = NewAction("export", "&Export Structure...", "Export file structure (Ctrl+E)", QKeySequence("Ctrl+E"),
                            &PlenkorWindow::Export);
  executeAction_ = NewAction("execute", "E&xecute", "Execute the project (Ctrl+R)", QKeySequence("Ctrl+R"),
                             &PlenkorWindow::Execute);
  cancelAction_ = NewAction("cancel", "&Cancel", "Cancel project execution", {}, &PlenkorWindow::CancelRun);
  cancelAction_->setEnabled(false);
  logAction_ = NewAction("log", "View &Log", "View program's log (Ctrl+L)", QKeySequence("Ctrl+L"), &PlenkorWindow::ViewLog);
  settingsAction_ = NewAction("settings", "&Settings...", "Open product settings window", {}, &PlenkorWindow::Settings);
  aboutAction_ = NewAction("about", "&About", "About the generator (Ctrl+A)", QKeySequence("Ctrl+A"),
                           &PlenkorWindow::About);

  recentMenu_ = new QMenu(this);
  recentMenu_->setObjectName("recentMenu");
  connect(recentMenu_, &QMenu::aboutToShow, this, &PlenkorWindow::FillRecentMenu);
  openAction_->setMenu(recentMenu_);

  for (const CommandIcon& icon : kIcons) {
    if (auto* action = findChild<QAction*>(icon.action)) {
      action->setIcon(QIcon::fromTheme(icon.theme, style()->standardIcon(icon.fallback)));
    }
  }
  BuildMenus();

  // Pictures with the tips as their words, as the menus carry the names.
  QToolBar* tools = addToolBar("Commands");
  tools->setObjectName("commands");
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonIconOnly);
  tools->addActions({newAction_, openAction_, saveAction_, saveAsAction_});
  tools->addSeparator();
  tools->addActions({addAction_, removeAction_, upAction_, downAction_});
  tools->addSeparator();
  tools->addActions({importAction_, exportAction_});
  tools->addSeparator();
  tools->addActions({executeAction_, cancelAction_});
  tools->addSeparator();
  tools->addActions({logAction_, settingsAction_, aboutAction_});
  if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(openAction_))) {
    button->setPopupMode(QToolButton::MenuButtonPopup);
  }
}

void PlenkorWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({newAction_, openAction_});
  // The open button's drop-down, also here.
  recentMenu_->setTitle("Open &Recent");
  file->addMenu(recentMenu_);
  file->addActions({saveAction_, saveAsAction_});
  file->addSeparator();
  file->addActions({importAction_, exportAction_});
  file->addSeparator();
  connect(file->addAction("E&xit"), &QAction::triggered, this, &QWidget::close);
  QMenu* fields = menuBar()->addMenu("F&ields");
  fields->addActions({addAction_, removeAction_, upAction_, downAction_});
  QMenu* run = menuBar()->addMenu("&Run");
  run->addActions({executeAction_, cancelAction_});
  QMenu* tools = menuBar()->addMenu("&Tools");
  tools->addActions({logAction_, settingsAction_});
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(aboutAction_);
}

void PlenkorWindow::BuildLayout() {
  model_ = new FieldListModel(definition_, this);
  list_ = new QTableView;
  list_->setObjectName("fields");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->setWordWrap(false);
  list_->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < FieldListModel::kColumns; ++c) {
    list_->setColumnWidth(c, std::clamp(services_.settings.getInt(kWidthKeys[c]), 20, 2000));
  }
  const bool showTypes = services_.settings.getInt("PkShowTypes") != 0;
  list_->setColumnHidden(FieldListModel::kType, !showTypes);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PlenkorWindow::SelectionChanged);
  connect(model_, &QAbstractItemModel::modelReset, this, &PlenkorWindow::FitColumns);
  connect(model_, &QAbstractItemModel::dataChanged, this, &PlenkorWindow::FitColumns);

  editor_ = new FieldEditor;
  editor_->SetTypesEditable(showTypes);
  connect(editor_, &FieldEditor::NameEdited, this, &PlenkorWindow::NameEdited);
  connect(editor_, &FieldEditor::TypeEdited, this, &PlenkorWindow::TypeEdited);
  connect(editor_, &FieldEditor::GeneratorEdited, this, &PlenkorWindow::GeneratorEdited);
  auto* editorBox = new QGroupBox("Field");
  auto* editorLayout = new QVBoxLayout(editorBox);
  editorLayout->addWidget(editor_);

  auto* splitter = new QSplitter;
  splitter->addWidget(list_);
  splitter->addWidget(editorBox);
  splitter->setSizes({500, 450});

  definitionArea_ = new QWidget;
  auto* layout = new QVBoxLayout(definitionArea_);
  layout->addWidget(splitter, 1);
  layout->addWidget(OutputBox());
  setCentralWidget(definitionArea_);

  status_ = new QLabel;
  status_->setObjectName("status");
  progress_ = new QProgressBar;
  progress_->setObjectName("progress");
  progress_->setMaximumWidth(260);
  progress_->hide();
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(progress_);
}

QWidget* PlenkorWindow::OutputBox() {
  fileName_ = new QLineEdit;
  fileName_->setObjectName("fileName");
  auto* browse = new QPushButton("...");
  browse->setObjectName("browseOutput");
  format_ = new QComboBox;
  format_->setObjectName("format");
  for (const char* format : kFormats) format_->addItem(format);
  separator_ = new QLineEdit;
  separator_->setObjectName("separator");
  separator_->setMaximumWidth(80);
  header_ = new QCheckBox("The first row should contain column names");
  header_->setObjectName("header");
  append_ = new QCheckBox("Append mode");
  append_->setObjectName("append");
  rows_ = new QSpinBox;
  rows_->setObjectName("rows");
  rows_->setRange(0, INT_MAX);
  rows_->setSingleStep(std::max(1, services_.settings.getInt("PkSpinStep")));
  rows_->setMinimumWidth(120);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileName_, 1);
  fileRow->addWidget(browse);
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(format_);
  formatRow->addWidget(separator_);
  formatRow->addStretch();
  auto* flagsRow = new QHBoxLayout;
  flagsRow->addWidget(header_);
  flagsRow->addWidget(append_);
  flagsRow->addStretch();
  auto* box = new QGroupBox("Output");
  auto* form = new QFormLayout(box);
  form->addRow("File Name", fileRow);
  form->addRow("File Format", formatRow);
  form->addRow(flagsRow);
  form->addRow("Rows", rows_);

  connect(browse, &QPushButton::clicked, this, &PlenkorWindow::BrowseOutput);
  connect(format_, &QComboBox::currentIndexChanged, this, &PlenkorWindow::FormatChanged);
  connect(fileName_, &QLineEdit::textEdited, this, &PlenkorWindow::MarkModified);
  connect(separator_, &QLineEdit::textEdited, this, &PlenkorWindow::MarkModified);
  connect(header_, &QCheckBox::toggled, this, &PlenkorWindow::MarkModified);
  connect(append_, &QCheckBox::toggled, this, &PlenkorWindow::MarkModified);
  connect(rows_, &QSpinBox::valueChanged, this, &PlenkorWindow::MarkModified);
  return box;
}

// ---- Files -----------------------------------------------------------------

bool PlenkorWindow::OpenDefinition(const QString& path) {
  services_.log.State("CPlenkorDlg::DoLoad");
  Project loaded;
  int warnings = 0;
  std::string message;
  if (LoadDefinition(Core(path), loaded, &warnings, &message) != 0) {
    services_.prompt.Message(kWarning, message, PromptIcon::kWarning);
    return false;
  }
  definition_ = std::move(loaded);
  path_ = path;
  ShowDefinition();
  SetModified(false);
  Remember(path);
  if (warnings > 0) services_.prompt.Message("Warning", CompatibilityWarning(warnings), PromptIcon::kWarning);
  return true;
}

bool PlenkorWindow::SaveDefinitionTo(const QString& path) {
  CollectDefinition();
  if (!ConfirmSave(definition_, services_.prompt)) return false;
  std::string message;
  if (SaveDefinition(Core(path), definition_, &message) != 0) {
    services_.prompt.Message(kWarning, message, PromptIcon::kWarning);
    return false;
  }
  path_ = path;
  SetModified(false);
  Remember(path);
  return true;
}

bool PlenkorWindow::ImportStructureFrom(const QString& path, bool asExample) {
  std::string message;
  if (ImportStructure(Core(path), asExample, definition_, &message) != 0) {
    services_.prompt.Message(kWarning, message, PromptIcon::kWarning);
    return false;
  }
  FieldsReplaced();
  MarkModified();
  return true;
}

bool PlenkorWindow::ExportStructureTo(const QString& path, bool asCreateTable, const QString& tableName) {
  std::string message;
  if (ExportStructure(Core(path), Fields(definition_), asCreateTable, Core(tableName), &message) != 0) {
    services_.prompt.Message(kStructureFileError, message, PromptIcon::kError);
    return false;
  }
  return true;
}

const Project& PlenkorWindow::Definition() {
  CollectDefinition();
  return definition_;
}

bool PlenkorWindow::Running() const { return run_->Running(); }

void PlenkorWindow::NewFile() {
  if (!MaySaveChanges()) return;
  definition_ = NewDefinition();
  path_.clear();
  ShowDefinition();
  SetModified(false);
}

void PlenkorWindow::Open() {
  if (!MaySaveChanges()) return;
  const QString path =
      QFileDialog::getOpenFileName(this, "Open", QFileInfo(path_).path(), QtFilter(kDefinitionFileFilter));
  if (!path.isEmpty()) OpenDefinition(path);
}

void PlenkorWindow::Save() {
  if (path_.isEmpty()) {
    SaveAs();
    return;
  }
  SaveDefinitionTo(path_);
}

void PlenkorWindow::SaveAs() {
  QFileDialog dialog(this, "Save As", path_, QtFilter(kDefinitionFileFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("qrp");
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    SaveDefinitionTo(dialog.selectedFiles().first());
  }
}

void PlenkorWindow::Import() {
  ImportStructureDialog dialog(this);
  if (dialog.exec() == QDialog::Accepted) ImportStructureFrom(dialog.File(), dialog.AsExample());
}

void PlenkorWindow::Export() {
  ExportStructureDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString path = QFileDialog::getSaveFileName(this, "Export File Structure", {}, QtFilter(kTextFileFilter));
  if (!path.isEmpty()) ExportStructureTo(path, dialog.AsCreateTable(), dialog.TableName());
}

bool PlenkorWindow::MaySaveChanges() {
  if (!isWindowModified()) return true;
  const PromptAnswer answer = services_.prompt.Ask(
      kWarning,
      "You have unsaved changes.\n\nPress 'Yes' to save, 'No' to discard changes or 'Cancel' to cancel operation.",
      PromptIcon::kQuestion, PromptButtons::kYesNoCancel, PromptAnswer::kYes);
  if (answer == PromptAnswer::kYes) {
    Save();
    return !isWindowModified();
  }
  return answer == PromptAnswer::kNo;
}

void PlenkorWindow::Remember(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (const int status = AddRecentFile(services_.settings, Core(absolute)); status != 0) {
    services_.log.Bug("The recent files could not be saved (error " + std::to_string(status) + ").",
                      "CPlenkorDlg::Remember");
  }
}

void PlenkorWindow::FillRecentMenu() {
  recentMenu_->clear();
  const std::vector<std::string> files = RecentFiles(services_.settings);
  if (files.empty()) recentMenu_->addAction("No recent files")->setEnabled(false);
  for (const std::string& file : files) {
    const QString path = FromCore(file);
    connect(recentMenu_->addAction(path), &QAction::triggered, this, [this, path] {
      if (MaySaveChanges()) OpenDefinition(path);
    });
  }
}

// ---- Fields ----------------------------------------------------------------

int PlenkorWindow::SelectedRow() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void PlenkorWindow::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    list_->clearSelection();
    return;
  }
  list_->selectRow(row);
  list_->scrollTo(model_->index(row, 0));
}

void PlenkorWindow::SelectionChanged() {
  UpdateActions();
  const int row = SelectedRow();
  if (row >= 0) editor_->Load(Fields(definition_)[static_cast<size_t>(row)]);
  RefreshSamples();
}

void PlenkorWindow::AddField() {
  std::vector<ColumnRule>& fields = FileRule(definition_).Fields;
  std::string message;
  if (::AddField(definition_, editor_->Field(fields.size() + 1), &message) != 0) {
    services_.prompt.Message(kWarning, message, PromptIcon::kWarning);
    return;
  }
  FieldsReplaced();
  list_->scrollToBottom();
  MarkModified();
}

void PlenkorWindow::RemoveField() {
  const int row = SelectedRow();
  if (row < 0) return;
  std::vector<ColumnRule>& fields = FileRule(definition_).Fields;
  const std::string question = "Do you want to remove column '" + fields[static_cast<size_t>(row)].Name + "'?";
  if (services_.prompt.Ask(kWarning, question, PromptIcon::kQuestion, PromptButtons::kYesNo, PromptAnswer::kNo) !=
      PromptAnswer::kYes) {
    return;
  }
  fields.erase(fields.begin() + row);
  FieldsReplaced();
  MarkModified();
}

void PlenkorWindow::MoveUp() { MoveField(-1); }
void PlenkorWindow::MoveDown() { MoveField(1); }

void PlenkorWindow::MoveField(int by) {
  const int row = SelectedRow();
  std::vector<ColumnRule>& fields = FileRule(definition_).Fields;
  const int target = row + by;
  if (row < 0 || target < 0 || target >= static_cast<int>(fields.size())) return;
  std::swap(fields[static_cast<size_t>(row)], fields[static_cast<size_t>(target)]);
  model_->Reset();
  SelectRow(target);
  MarkModified();
}

void PlenkorWindow::FieldsReplaced() {
  model_->Reset();
  UpdateActions();
  editor_->Clear();
  RefreshSamples();
}

void PlenkorWindow::NameEdited() {
  const int row = SelectedRow();
  if (row < 0) {
    // A new field whose name is a known column name gets that generator.
    const std::string_view label = MatchGenerator(Core(editor_->Name()));
    if (!label.empty()) editor_->ChooseGenerator(FromCore(label));
    return;
  }
  ColumnRule& field = FileRule(definition_).Fields[static_cast<size_t>(row)];
  field.Name = editor_->Field(static_cast<size_t>(row) + 1).Name;
  model_->RowChanged(row);
  MarkModified();
  RefreshSamples();
}

void PlenkorWindow::TypeEdited() {
  const int row = SelectedRow();
  if (row < 0) return;
  SetFieldType(FileRule(definition_).Fields[static_cast<size_t>(row)], Core(editor_->TypeName()), editor_->Size());
  model_->RowChanged(row);
  MarkModified();
}

void PlenkorWindow::GeneratorEdited() {
  const int row = SelectedRow();
  if (row >= 0) {
    ColumnRule& field = FileRule(definition_).Fields[static_cast<size_t>(row)];
    field.LibName = Core(editor_->Label());
    field.Mask = Core(editor_->Pattern());
    SetFieldType(field, Core(editor_->TypeName()), editor_->Size());
    model_->RowChanged(row);
    MarkModified();
  }
  RefreshSamples();
}

void PlenkorWindow::FitColumns() {
  // Never narrower than the user left a column; the last one stretches.
  const QAbstractItemView& view = *list_;
  for (int c = 0; c + 1 < FieldListModel::kColumns; ++c) {
    if (list_->isColumnHidden(c)) continue;
    const int content = std::max(view.sizeHintForColumn(c), list_->horizontalHeader()->sectionSizeHint(c));
    if (content > list_->columnWidth(c)) list_->setColumnWidth(c, content);
  }
}

void PlenkorWindow::RefreshSamples() {
  // The random source is one for the process: no samples while a run draws from it.
  if (run_->Running()) return;
  std::vector<ColumnRule> fields = Fields(definition_);
  const size_t listed = fields.size();
  int selected = SelectedRow();
  if (selected < 0 && !editor_->Label().isEmpty()) {
    // The field being made: previewed after the listed ones, so it may refer to them.
    fields.push_back(editor_->Field(listed + 1));
    selected = static_cast<int>(listed);
  }
  // The samples see the named generators and constants a run would see.
  ShareRunContext(*sampleEngine_, definition_, services_.libraryPath, sampleNamedGens_);
  const PreviewResult preview = RunPreview(*sampleEngine_, fields, selected, Core(editor_->Pattern()));
  QString text = FromCore(preview.SampleText());
  if (preview.errorCode != 0) text += (text.isEmpty() ? "" : "\r\n") + FromCore(preview.errorMessage);
  editor_->ShowSamples(text);
  QStringList firstRow;
  if (!preview.rows.empty()) {
    for (size_t c = 0; c < listed && c < preview.rows.front().size(); ++c) firstRow << FromCore(preview.rows.front()[c]);
  }
  model_->SetSamples(firstRow);
}

// ---- Definition and controls ------------------------------------------------

void PlenkorWindow::ShowDefinition() {
  showing_ = true;
  const FileFormat format = FormatOf(definition_.TxtDelimiter);
  fileName_->setText(FromCore(definition_.TXTFile));
  format_->setCurrentIndex(static_cast<int>(format));
  separator_->setText(format == FileFormat::kCustom ? FromCore(definition_.TxtDelimiter) : QString());
  FormatChanged();
  header_->setChecked(definition_.TxtOutColumnNames != 0);
  append_->setChecked(definition_.TruncateTXT == 0);
  rows_->setValue(std::max(0, FileRule(definition_).Records));
  showing_ = false;
  FieldsReplaced();
  UpdateTitle();
}

void PlenkorWindow::CollectDefinition() {
  definition_.TXTFile = Core(fileName_->text().trimmed());
  definition_.TxtDelimiter = DelimiterOf(static_cast<FileFormat>(format_->currentIndex()), Core(separator_->text()));
  definition_.TxtOutColumnNames = header_->isChecked() ? 1 : 0;
  definition_.TruncateTXT = append_->isChecked() ? 0 : 1;
  FileRule(definition_).Records = rows_->value();
}

void PlenkorWindow::FormatChanged() {
  separator_->setEnabled(format_->currentIndex() == static_cast<int>(FileFormat::kCustom));
  MarkModified();
}

void PlenkorWindow::BrowseOutput() {
  const bool csv = format_->currentIndex() == static_cast<int>(FileFormat::kCsv);
  const QString path = QFileDialog::getSaveFileName(this, "File Name", fileName_->text(),
                                                    QtFilter(csv ? kCsvFileFilter : kTextFileFilter), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  fileName_->setText(path);
  MarkModified();
}

void PlenkorWindow::MarkModified() {
  if (!showing_) SetModified(true);
}

void PlenkorWindow::SetModified(bool modified) {
  setWindowModified(modified);
  UpdateTitle();
}

void PlenkorWindow::UpdateTitle() {
  const QString name = path_.isEmpty() ? QString("Untitled") : QFileInfo(path_).fileName();
  setWindowTitle(name + "[*] - plenkor");
}

// ---- Run -------------------------------------------------------------------

void PlenkorWindow::Execute() {
  if (run_->Running()) return;
  CollectDefinition();
  status_->clear();
  // The checks before the rows show their messages over the window as it is;
  // it is disabled once the rows start (RunStarted).
  run_->Start(definition_);
}

void PlenkorWindow::CancelRun() { run_->Cancel(); }

void PlenkorWindow::SetRunning(bool running) {
  running_ = running;
  // The definition, the settings and the sample engine stay as they are
  // until the worker is done with them.
  definitionArea_->setEnabled(!running);
  UpdateActions();
  progress_->setVisible(running);
}

void PlenkorWindow::UpdateActions() {
  const bool idle = !running_;
  const int row = SelectedRow();
  const int count = model_->rowCount();
  executeAction_->setEnabled(idle);
  cancelAction_->setEnabled(!idle);
  for (QAction* action : {newAction_, openAction_, saveAction_, saveAsAction_, addAction_, importAction_,
                          settingsAction_}) {
    action->setEnabled(idle);
  }
  // The field commands act on the selected field, where it can go.
  removeAction_->setEnabled(idle && row >= 0);
  upAction_->setEnabled(idle && row > 0);
  downAction_->setEnabled(idle && row >= 0 && row + 1 < count);
  exportAction_->setEnabled(count > 0);
}

void PlenkorWindow::RunStarted(int rows) {
  progress_->setRange(0, std::max(rows, 1));
  progress_->setValue(0);
  SetRunning(true);
}

void PlenkorWindow::RunProgressed(int row) {
  status_->setText(QString::asprintf("Row: %d", row));
  if (progress_->maximum() > 0) progress_->setValue(std::min(row, progress_->maximum()));
}

void PlenkorWindow::RunFinished(int, qulonglong, const QString& statusText) {
  SetRunning(false);
  if (!statusText.isEmpty()) status_->setText(statusText);
  if (closeAfterRun_) close();
}

// ---- Other commands -------------------------------------------------------------

void PlenkorWindow::ViewLog() {
  // An external viewer, when the settings name one; the log window otherwise,
  // and when that viewer cannot be started.
  const std::string viewer = services_.log.Viewer();
  if (!viewer.empty()) {
    const int error = services_.log.ViewLog();
    if (error == 0) return;
    std::string reason;
    CLog::FormatLastError(reason, error);
    status_->setText(FromCore("The log viewer '" + viewer + "' could not be started: " + reason));
  }
  if (!logWindow_) logWindow_ = new LogWindow(services_.log, this);
  logWindow_->show();
  logWindow_->raise();
  logWindow_->activateWindow();
}

void PlenkorWindow::Settings() {
  // The checks before a run's rows read the settings on the worker.
  if (run_->Running()) return;
  SettingsDialog dialog(services_.settings, this);
  if (dialog.exec() == QDialog::Accepted) rows_->setSingleStep(std::max(1, services_.settings.getInt("PkSpinStep")));
}

void PlenkorWindow::About() {
  QMessageBox::about(this, "About plenkor",
                     "plenkor " PLENKOR_VERSION
                     "\n\nWrites text files of generated test data, delimited or of fixed width, "
                     "with a pattern for every field.");
}

void PlenkorWindow::closeEvent(QCloseEvent* event) {
  if (run_->Running()) {
    // Closed during a run: stop it, and close once the worker is done.
    closeAfterRun_ = true;
    run_->Cancel();
    event->ignore();
    return;
  }
  closeAfterRun_ = false;
  if (!MaySaveChanges()) {
    event->ignore();
    return;
  }
  for (int c = 0; c < FieldListModel::kColumns; ++c) {
    if (!list_->isColumnHidden(c)) services_.settings.setInt(kWidthKeys[c], list_->columnWidth(c));
  }
  services_.settings.setStr("PkLastFile", Core(path_.isEmpty() ? QString() : QFileInfo(path_).absoluteFilePath()));
  services_.settings.SaveData();
  event->accept();
}
