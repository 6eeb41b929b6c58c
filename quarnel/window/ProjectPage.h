// The project page: the heading with the rule count, the project's
// description, and the rule list with its editing buttons (move up and down,
// duplicate, remove). Activating a rule (double click, Enter) asks the window
// to open it.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;
class RuleListModel;

class ProjectPage final : public QWidget {
  Q_OBJECT

 public:
  ProjectPage(RuleListModel& model, QWidget* parent = nullptr);

  // Shows the heading and description for the project as it now is.
  void Refresh(const QString& heading, const QString& description);
  // The selected rule, or -1.
  int selectedRow() const;
  void selectRow(int row);
  // Disables the editing buttons (during a run, load or save).
  void setEditable(bool editable);

  QTableView& list() { return *list_; }
  QString heading() const;

 signals:
  void ruleActivated(int row);

 private:
  void UpdateButtons();
  // Runs one of the model's row edits on the selection and keeps the
  // selection on the row that moved.
  void EditSelected(bool (RuleListModel::*edit)(int), int selectionStep);

  RuleListModel& model_;
  QLabel* heading_;
  QLabel* description_;
  QTableView* list_;
  QPushButton* up_;
  QPushButton* down_;
  QPushButton* duplicate_;
  QPushButton* remove_;
  bool editable_ = true;
};
