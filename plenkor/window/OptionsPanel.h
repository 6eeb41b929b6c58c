// The "Options :" panel of the field editor: one page of inputs for each
// kind of generator options, and a line for generators without options.
// A page shows the options of the field's pattern (read back through the
// readers of plenkor/Generators); every change the user makes rebuilds the
// pattern from all of the page's inputs and announces it.
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

  // Shows the page of `kind` with the inputs read from `pattern`, or with
  // the page's first values when the page cannot show that pattern (an
  // empty one, for a generator just chosen). Builds no pattern.
  void ShowOptions(GeneratorOptions kind, const QString& pattern);
  GeneratorOptions Kind() const { return kind_; }
  // The pattern the shown page's inputs give; empty for kNone and for an
  // empty regular expression.
  QString Pattern() const;

 signals:
  void PatternBuilt(const QString& pattern);

 private:
  void Rebuild();
  void FillString(const std::string& pattern);
  void FillNumber(const std::string& pattern);
  void FillDate(const std::string& pattern);
  void FillTime(const std::string& pattern);
  QWidget* StringPage();
  QWidget* NumberPage();
  QWidget* DatePage();
  QWidget* TimePage();
  QWidget* ListPage(const QString& caption, const FormatList& list, QComboBox*& combo, const char* name);
  QWidget* RegexPage();

  GeneratorOptions kind_ = GeneratorOptions::kNone;
  bool filling_ = false;  // the inputs are being set from a pattern, not edited
  // The entries the date and time lists select first: the locale's.
  std::string firstDateFormat_;
  std::string firstTimeFormat_;
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
