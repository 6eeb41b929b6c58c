// plenkor's main window: the field list and the field editor, the output
// file's settings, and the toolbar commands that create, load, save, import,
// export and run a flat-file definition. The window shows and edits the
// definition; checking, saving, previewing and running it are the calls of
// plenkorcore, the run on a worker thread so the window stays responsive.
//
// REQUIRES: the services outlive the window.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "GenTmpl/PatternEngine.h"
#include "project/Project.h"

class CLog;
class FieldEditor;
class FieldListModel;
class LogWindow;
class Prompt;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSpinBox;
class QTableView;
class RunController;
class VLibrary;
class _Settings;

struct PlenkorServices {
  _Settings& settings;
  CLog& log;
  Prompt& prompt;
  VLibrary* library;  // null when the value library could not be opened
  std::string libraryPath;
};

class PlenkorWindow final : public QMainWindow {
  Q_OBJECT

 public:
  explicit PlenkorWindow(PlenkorServices services, QWidget* parent = nullptr);
  ~PlenkorWindow() override;

  // The commands behind the dialogs: each takes the file the user chose and
  // reports its failures to the user. True on success.
  bool OpenDefinition(const QString& path);
  bool SaveDefinitionTo(const QString& path);
  bool ImportStructureFrom(const QString& path, bool asExample);
  bool ExportStructureTo(const QString& path, bool asCreateTable, const QString& tableName);

  // The definition as the window holds it (collected from the controls).
  const Project& Definition();
  const QString& DefinitionPath() const { return path_; }
  bool Running() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* NewAction(const char* name, const QString& text, const QString& tip, const QKeySequence& key,
                     void (PlenkorWindow::*slot)());
  // The menu bar over the toolbar's commands.
  void BuildMenus();
  void BuildActions();
  void BuildLayout();
  QWidget* OutputBox();

  // Commands of the toolbar.
  void NewFile();
  void Open();
  void Save();
  void SaveAs();
  void AddField();
  void RemoveField();
  void MoveUp();
  void MoveDown();
  void Import();
  void Export();
  void Execute();
  void CancelRun();
  void ViewLog();
  void Settings();
  void About();

  // Editing.
  int SelectedRow() const;
  void SelectRow(int row);
  void SelectionChanged();
  void NameEdited();
  void TypeEdited();
  void GeneratorEdited();
  void MoveField(int by);
  void RefreshSamples();
  // Widens the list's columns to their content.
  void FitColumns();
  void FillRecentMenu();

  // The definition and the controls.
  void ShowDefinition();
  void CollectDefinition();
  void FieldsReplaced();
  void MarkModified();
  void SetModified(bool modified);
  void UpdateTitle();
  void FormatChanged();
  void BrowseOutput();
  bool MaySaveChanges();
  void Remember(const QString& path);

  // The run.
  void SetRunning(bool running);
  // Each command enabled only when it can act.
  void UpdateActions();
  void RunStarted(int rows);
  void RunProgressed(int row);
  void RunFinished(int status, qulonglong rows, const QString& statusText);

  PlenkorServices services_;
  Project definition_;
  QString path_;
  bool showing_ = false;  // the controls are being filled, not edited
  bool closeAfterRun_ = false;
  bool running_ = false;  // a run is writing rows: from its start to its end
  std::vector<NamedGenerator> sampleNamedGens_;  // what sampleEngine_'s $Call finds
  std::unique_ptr<PatternEngine> sampleEngine_;
  std::unique_ptr<RunController> run_;

  FieldListModel* model_;
  QTableView* list_;
  FieldEditor* editor_;
  QWidget* definitionArea_;
  QLineEdit* fileName_;
  QComboBox* format_;
  QLineEdit* separator_;
  QCheckBox* header_;
  QCheckBox* append_;
  QSpinBox* rows_;
  QLabel* status_;
  QProgressBar* progress_;
  QMenu* recentMenu_;
  LogWindow* logWindow_ = nullptr;  // made on first use

  QAction* newAction_;
  QAction* openAction_;
  QAction* saveAction_;
  QAction* saveAsAction_;
  QAction* addAction_;
  QAction* removeAction_;
  QAction* upAction_;
  QAction* downAction_;
  QAction* importAction_;
  QAction* exportAction_;
  QAction* executeAction_;
  QAction* cancelAction_;
  QAction* logAction_;
  QAction* settingsAction_;
  QAction* aboutAction_;
};
