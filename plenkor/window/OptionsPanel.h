// The "Options :" panel of the field editor: one page of inputs for each
// kind of generator options, and a line for generators without options.
// Every change the user makes rebuilds the pattern from the page's inputs
// (through the builders of plenkor/Generators) and announces it.
#pragma once

#include <QStackedWidget>

#include "plenkor/Generators.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;
class QTimeEdit;

class OptionsPanel final : public QStackedWidget {
  Q_OBJECT

 public:
  explicit OptionsPanel(QWidget* parent = nullptr);

  // Shows the page of `kind` without building a pattern.
  void ShowOptions(GeneratorOptions kind);
  GeneratorOptions Kind() const { return kind_; }
  // The pattern the shown page's inputs give; empty for kNone.
  QString Pattern() const;

 signals:
  void PatternBuilt(const QString& pattern);

 private:
  void Rebuild();
  QWidget* StringPage();
  QWidget* NumberPage();
  QWidget* DatePage();
  QWidget* TimePage();
  QWidget* ListPage(const QString& caption, const FormatList& list, QComboBox*& combo, const char* name);
  QWidget* RegexPage();

  GeneratorOptions kind_ = GeneratorOptions::kNone;
  QSpinBox* lengthFrom_;
  QSpinBox* lengthTo_;
  QLineEdit* numberFrom_;
  QLineEdit* numberTo_;
  QSpinBox* width_;
  QSpinBox* decimals_;
  QCheckBox* leadingZeros_;
  QComboBox* dateFormat_;
  QDateEdit* dateFrom_;
  QDateEdit* dateTo_;
  QComboBox* timeFormat_;
  QTimeEdit* timeFrom_;
  QTimeEdit* timeTo_;
  QComboBox* phoneFormat_;
  QComboBox* addressFormat_;
  QLineEdit* expression_;
};
