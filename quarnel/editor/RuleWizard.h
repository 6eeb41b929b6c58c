// The rule wizard: rules built from the database, for one table or for the
// tables the user checks, with the options to put a clear rule on top and to
// remove every existing rule first. Building runs behind a wait window whose
// Cancel stops after the current table (the rules built so far stay).
//
// REQUIRES: the document and connection outlive the dialog.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "quarnel/AutoRules.h"

class ProjectDocument;
class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;

class RuleWizard final : public QDialog {
  Q_OBJECT
 public:
  // `tableNames`: the database's tables to offer (TableNameCache::Names),
  // read before the dialog opens.
  RuleWizard(ProjectDocument& document, CDB& db, const AutoRuleSettings& settings,
             const std::vector<std::string>& tableNames, QWidget* parent = nullptr);

  // AddOneAuto or AddListAuto's status of the last build, 0 before one.
  int Status() const { return status_; }
  void accept() override;

 private:
  ProjectDocument& document_;
  CDB& db_;
  AutoRuleSettings settings_;
  int status_ = 0;
  QRadioButton* single_;
  QComboBox* table_;
  QListWidget* tables_;
  QCheckBox* addClear_;
  QCheckBox* removeAll_;
};

// Shows the wizard; true when rules were built (the document is then modified).
bool RunRuleWizard(ProjectDocument& document, CDB& db, const AutoRuleSettings& settings,
                   const std::vector<std::string>& tableNames, QWidget* parent);
