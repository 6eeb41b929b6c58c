// Project ("#name") and global ("@name") variables: one page each with the
// list and the fields of a variable (name without its sign, "Constant" or
// "Database Query", definition) and Add, Modify and Delete. The dialog edits
// copies; "OK" stores both lists (the caller saves the settings).
//
// REQUIRES: the document and the global list outlive the dialog.
#pragma once

#include <QDialog>
#include <vector>

#include "project/Project.h"

class ProjectDocument;
struct GlobalVariable;
class QComboBox;
class QLineEdit;
class QTableWidget;

// One page: a variable list whose names begin with `sign`.
class VariableListPage final : public QWidget {
  Q_OBJECT
 public:
  VariableListPage(std::vector<ProjectVariable>& list, char sign, QWidget* parent = nullptr);
  // The buttons; each returns true when the list changed (refusals are shown).
  bool Add();
  bool Modify();
  bool Remove();
  void SetFields(const QString& name, const QString& type, const QString& definition);

 private:
  ProjectVariable Typed() const;
  void Refresh(int select);
  void Chosen(int row);

  std::vector<ProjectVariable>& list_;
  char sign_;
  QTableWidget* table_;
  QLineEdit* name_;
  QComboBox* type_;
  QLineEdit* definition_;
};

class VariablesDialog final : public QDialog {
  Q_OBJECT
 public:
  VariablesDialog(ProjectDocument& document, std::vector<GlobalVariable>& globals, QWidget* parent = nullptr);
  VariableListPage* ProjectPage() const { return projectPage_; }
  VariableListPage* GlobalPage() const { return globalPage_; }
  void accept() override;

 private:
  ProjectDocument& document_;
  std::vector<GlobalVariable>& globals_;
  std::vector<ProjectVariable> projectVars_;
  std::vector<ProjectVariable> globalVars_;
  VariableListPage* projectPage_;
  VariableListPage* globalPage_;
};

// Shows the variables; true when the user kept changes (the project is then
// marked modified when its list changed; the caller saves the settings).
bool EditVariables(ProjectDocument& document, std::vector<GlobalVariable>& globals, QWidget* parent);
