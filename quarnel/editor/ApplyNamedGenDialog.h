// "Apply Named Generator '%s' to": the criteria that pick the columns of the
// whole project that get a named generator. "Apply" checks the criteria and
// applies them (the messages come from the core); the dialog closes after an
// apply, stays open after a refused one.
#pragma once

#include <QDialog>
#include <string>

class ProjectDocument;
class QCheckBox;
class QComboBox;
class QLineEdit;

class ApplyNamedGenDialog final : public QDialog {
  Q_OBJECT
 public:
  ApplyNamedGenDialog(ProjectDocument& document, const std::string& generator, QWidget* parent = nullptr);
  // The count of changed columns of the last apply, -1 when refused or none yet.
  int Changes() const { return changes_; }
  void accept() override;

 private:
  ProjectDocument& document_;
  std::string generator_;
  int changes_ = -1;
  QCheckBox* byName_;
  QLineEdit* name_;
  QComboBox* match_;
  QCheckBox* ignoreCase_;
  QCheckBox* byPosition_;
  QLineEdit* position_;
  QCheckBox* byType_;
  QLineEdit* type_;
};
