#include "plenkor/window/OptionsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimeEdit>

#include "plenkor/window/GuiPrompt.h"
#include "support/DateTimeText.h"

namespace {

// Page order of the stack: the enumeration's order.
int PageOf(GeneratorOptions kind) { return static_cast<int>(kind); }

std::string Text(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }
std::string Text(const QComboBox* combo) { return combo->currentText().toStdString(); }
std::string Number(int value) { return std::to_string(value); }

// "between [from] and [to]" on one line.
QWidget* Range(QWidget* from, QWidget* to) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel("between"));
  layout->addWidget(from);
  layout->addWidget(new QLabel("and"));
  layout->addWidget(to);
  layout->addStretch();
  return row;
}

// Selects `entry` in a format list, adding it when the list lacks it.
void SelectEntry(QComboBox* combo, const std::string& entry) {
  const QString text = FromCore(entry);
  int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    combo->addItem(text);
    index = combo->count() - 1;
  }
  combo->setCurrentIndex(index);
}

QComboBox* FormatCombo(const FormatList& list, const char* name) {
  auto* combo = new QComboBox;
  combo->setObjectName(name);
  for (const std::string& item : list.items) combo->addItem(FromCore(item));
  combo->setCurrentIndex(static_cast<int>(list.selected));
  return combo;
}

QSpinBox* Spin(int from, int to, int value, const char* name) {
  auto* spin = new QSpinBox;
  spin->setRange(from, to);
  spin->setValue(value);
  spin->setObjectName(name);
  return spin;
}

QLineEdit* NumberEdit(const QString& value, const char* name) {
  auto* edit = new QLineEdit(value);
  edit->setObjectName(name);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]{0,18}(\\.[0-9]{0,9})?"), edit));
  edit->setMaximumWidth(120);
  return edit;
}

}  // namespace

OptionsPanel::OptionsPanel(QWidget* parent) : QStackedWidget(parent) {
  setObjectName("options");
  auto* none = new QLabel(FromCore(kNoOptionsText));
  none->setObjectName("noOptions");
  none->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  addWidget(none);
  addWidget(StringPage());
  addWidget(NumberPage());
  addWidget(DatePage());
  addWidget(TimePage());
  addWidget(ListPage("Phone format :", PhoneFormats(), phoneFormat_, "phoneFormat"));
  addWidget(ListPage("Address format :", AddressFormats(), addressFormat_, "addressFormat"));
  addWidget(RegexPage());
  setCurrentIndex(PageOf(GeneratorOptions::kNone));
}

void OptionsPanel::ShowOptions(GeneratorOptions kind, const QString& pattern) {
  kind_ = kind;
  filling_ = true;
  const std::string text = pattern.toStdString();
  switch (kind) {
    case GeneratorOptions::kNone: break;
    case GeneratorOptions::kString: FillString(text); break;
    case GeneratorOptions::kNumber: FillNumber(text); break;
    case GeneratorOptions::kDate: FillDate(text); break;
    case GeneratorOptions::kTime: FillTime(text); break;
    case GeneratorOptions::kPhone:
      if (text.empty()) phoneFormat_->setCurrentIndex(0);
      else SelectEntry(phoneFormat_, text);
      break;
    case GeneratorOptions::kAddress:
      if (text.empty()) addressFormat_->setCurrentIndex(0);
      else SelectEntry(addressFormat_, text);
      break;
    case GeneratorOptions::kRegex: expression_->setText(FromCore(ReadRegexOptions(text).value_or(std::string()))); break;
  }
  filling_ = false;
  setCurrentIndex(PageOf(kind));
}

void OptionsPanel::FillString(const std::string& pattern) {
  const StringInputs inputs = ReadStringOptions(pattern).value_or(StringInputs{5, 20});
  lengthFrom_->setValue(inputs.from);
  lengthTo_->setValue(inputs.to);
}

void OptionsPanel::FillNumber(const std::string& pattern) {
  const NumberInputs inputs = ReadNumberOptions(pattern).value_or(NumberInputs{"1", "100", 0, 0, false});
  numberFrom_->setText(FromCore(inputs.from));
  numberTo_->setText(FromCore(inputs.to));
  width_->setValue(inputs.width);
  decimals_->setValue(inputs.decimals);
  leadingZeros_->setChecked(inputs.leadingZeros);
}

void OptionsPanel::FillDate(const std::string& pattern) {
  const DateInputs inputs = ReadDateOptions(pattern).value_or(DateInputs{firstDateFormat_, 1, 1, 2000, 31, 12, 2010});
  SelectEntry(dateFormat_, inputs.format);
  dateFrom_->setDate(QDate(inputs.fromYear, inputs.fromMonth, inputs.fromDay));
  dateTo_->setDate(QDate(inputs.toYear, inputs.toMonth, inputs.toDay));
}

void OptionsPanel::FillTime(const std::string& pattern) {
  const TimeInputs inputs = ReadTimeOptions(pattern).value_or(TimeInputs{firstTimeFormat_, 0, 0, 0, 23, 59, 59});
  SelectEntry(timeFormat_, inputs.format);
  timeFrom_->setTime(QTime(inputs.fromHour, inputs.fromMinute, inputs.fromSecond));
  timeTo_->setTime(QTime(inputs.toHour, inputs.toMinute, inputs.toSecond));
}

QString OptionsPanel::Pattern() const {
  switch (kind_) {
    case GeneratorOptions::kNone: break;
    case GeneratorOptions::kString:
      return FromCore(StringOptions(Number(lengthFrom_->value()), Number(lengthTo_->value())));
    case GeneratorOptions::kNumber:
      return FromCore(NumberOptions(Text(numberFrom_), Text(numberTo_),
                                    width_->value() > 0 ? Number(width_->value()) : std::string(),
                                    Number(decimals_->value()), leadingZeros_->isChecked()));
    case GeneratorOptions::kDate: {
      const std::string format = Text(dateFormat_);
      std::string from, to;
      const QDate d1 = dateFrom_->date(), d2 = dateTo_->date();
      AppendDateText(from, d1.day(), d1.month(), d1.year(), format);
      AppendDateText(to, d2.day(), d2.month(), d2.year(), format);
      return FromCore(DateOptions(format, from, to));
    }
    case GeneratorOptions::kTime: {
      const std::string format = Text(timeFormat_);
      std::string from, to;
      const QTime t1 = timeFrom_->time(), t2 = timeTo_->time();
      AppendTimeText(from, t1.hour(), t1.minute(), t1.second(), 0, 0, format);
      AppendTimeText(to, t2.hour(), t2.minute(), t2.second(), 0, 0, format);
      return FromCore(TimeOptions(format, from, to));
    }
    case GeneratorOptions::kPhone: return phoneFormat_->currentText();
    case GeneratorOptions::kAddress: return addressFormat_->currentText();
    case GeneratorOptions::kRegex:
      return expression_->text().trimmed().isEmpty() ? QString() : FromCore(RegexOptions(Text(expression_)));
  }
  return {};
}

void OptionsPanel::Rebuild() {
  if (!filling_) emit PatternBuilt(Pattern());
}

QWidget* OptionsPanel::StringPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  lengthFrom_ = Spin(0, kMaxStringLength, 5, "lengthFrom");
  lengthTo_ = Spin(0, kMaxStringLength, 20, "lengthTo");
  form->addRow("String length", Range(lengthFrom_, lengthTo_));
  for (QSpinBox* spin : {lengthFrom_, lengthTo_}) connect(spin, &QSpinBox::valueChanged, this, &OptionsPanel::Rebuild);
  return page;
}

QWidget* OptionsPanel::NumberPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  numberFrom_ = NumberEdit("1", "numberFrom");
  numberTo_ = NumberEdit("100", "numberTo");
  width_ = Spin(0, kMaxNumberWidth, 0, "width");
  decimals_ = Spin(0, kMaxDecimals, 0, "decimals");
  leadingZeros_ = new QCheckBox("Add leading zero signs for integers");
  leadingZeros_->setObjectName("leadingZeros");
  form->addRow("Value", Range(numberFrom_, numberTo_));
  form->addRow("Width", width_);
  form->addRow("Decimal digits", decimals_);
  form->addRow(leadingZeros_);
  for (QLineEdit* edit : {numberFrom_, numberTo_}) connect(edit, &QLineEdit::textEdited, this, &OptionsPanel::Rebuild);
  for (QSpinBox* spin : {width_, decimals_}) connect(spin, &QSpinBox::valueChanged, this, &OptionsPanel::Rebuild);
  connect(leadingZeros_, &QCheckBox::toggled, this, &OptionsPanel::Rebuild);
  return page;
}

QWidget* OptionsPanel::DatePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  dateFormat_ = FormatCombo(DateFormats(), "dateFormat");
  firstDateFormat_ = Text(dateFormat_);
  dateFrom_ = new QDateEdit(QDate(2000, 1, 1));
  dateTo_ = new QDateEdit(QDate(2010, 12, 31));
  dateFrom_->setObjectName("dateFrom");
  dateTo_->setObjectName("dateTo");
  for (QDateEdit* edit : {dateFrom_, dateTo_}) edit->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
  form->addRow("Date format", dateFormat_);
  form->addRow(Range(dateFrom_, dateTo_));
  connect(dateFormat_, &QComboBox::currentIndexChanged, this, &OptionsPanel::Rebuild);
  for (QDateEdit* edit : {dateFrom_, dateTo_}) connect(edit, &QDateEdit::dateChanged, this, &OptionsPanel::Rebuild);
  return page;
}

QWidget* OptionsPanel::TimePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  timeFormat_ = FormatCombo(TimeFormats(), "timeFormat");
  firstTimeFormat_ = Text(timeFormat_);
  timeFrom_ = new QTimeEdit(QTime(0, 0, 0));
  timeTo_ = new QTimeEdit(QTime(23, 59, 59));
  for (QTimeEdit* edit : {timeFrom_, timeTo_}) edit->setDisplayFormat("HH:mm:ss");
  timeFrom_->setObjectName("timeFrom");
  timeTo_->setObjectName("timeTo");
  form->addRow("Time format", timeFormat_);
  form->addRow(Range(timeFrom_, timeTo_));
  connect(timeFormat_, &QComboBox::currentIndexChanged, this, &OptionsPanel::Rebuild);
  for (QTimeEdit* edit : {timeFrom_, timeTo_}) connect(edit, &QTimeEdit::timeChanged, this, &OptionsPanel::Rebuild);
  return page;
}

QWidget* OptionsPanel::ListPage(const QString& caption, const FormatList& list, QComboBox*& combo,
                                const char* name) {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  combo = FormatCombo(list, name);
  form->addRow(caption, combo);
  connect(combo, &QComboBox::currentIndexChanged, this, &OptionsPanel::Rebuild);
  return page;
}

QWidget* OptionsPanel::RegexPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  expression_ = new QLineEdit;
  expression_->setObjectName("expression");
  form->addRow("Regular Expression", expression_);
  connect(expression_, &QLineEdit::textEdited, this, &OptionsPanel::Rebuild);
  return page;
}
