// The rule editor: every setting of one rule, by kind. Data and file rules
// get their target table, insert and row-count modes, transactions, update
// and scramble settings, scripts, output files and the column list with the
// column editor; tables rules their template, counts and column definitions;
// objects rules their template, type and text; clear rules their table list.
// Choosing another table of a data rule refreshes its columns from the
// database (MakeRule, which asks before a missing table loses its columns).
//
// The dialog edits a copy; "OK" checks the rule and only then copies it back.
//
// REQUIRES: the rule and the context outlive the dialog.
#pragma once

#include <QDialog>
#include <memory>

#include "project/Project.h"
#include "quarnel/editor/FieldBinder.h"

struct EditorContext;
class ColumnEditor;
class ColumnListModel;
class ConnectionBox;
class QComboBox;
class QListWidget;
class QTableView;

class RuleEditor final : public QDialog {
  Q_OBJECT
 public:
  RuleEditor(Rule& rule, EditorContext& context, QWidget* parent = nullptr);

  // The rule as edited so far (copied back by accept).
  Rule& Working() { return work_; }
  ColumnEditor* Columns() const { return columnEditor_; }
  // Shows column `row` in the column editor.
  void SelectColumn(int row);
  // The target table of a data or file rule changes: the columns are built
  // or refreshed from the database. Returns MakeRule's status (0 without a
  // connection: the name is only taken).
  int ChangeTable(const QString& table);

  void accept() override;

 private:
  QWidget* RulePage();
  QWidget* ColumnsPage();
  QWidget* ScriptsPage();
  QWidget* ClearPage();
  QWidget* TemplatePage();
  void LoadUpdateColumns();
  void StoreUpdateColumns();
  void LoadClearTables();
  void StoreClearTables();
  void AddColumnDefinition();
  void RemoveColumn();

  Rule& rule_;
  EditorContext& context_;
  Rule work_;
  FieldBinder<Rule> bind_;
  QComboBox* table_ = nullptr;
  QListWidget* updateColumns_ = nullptr;
  QListWidget* clearTables_ = nullptr;
  ConnectionBox* target_ = nullptr;
  QTableView* columnView_ = nullptr;
  ColumnListModel* columnModel_ = nullptr;
  ColumnEditor* columnEditor_ = nullptr;
  std::unique_ptr<FieldBinder<ColumnRule>> definition_;  // tables and file rules
};

// Opens the editor on `rule`; true when the user kept the changes (the rule
// is then updated and the caller marks the project modified).
bool EditRule(Rule& rule, EditorContext& context, QWidget* parent);
