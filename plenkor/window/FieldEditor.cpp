#include "plenkor/window/FieldEditor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "plenkor/FlatFile.h"
#include "plenkor/Generators.h"
#include "plenkor/window/GuiPrompt.h"
#include "plenkor/window/OptionsPanel.h"

namespace {

constexpr int kMaxFieldSize = 1 << 20;

// The generator menu: the categories as sub-menus in menu order, then the
// top-level entries. Each entry's action carries its label as data.
QMenu* NewGeneratorMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName("generatorMenu");
  QMenu* category = nullptr;
  for (const GeneratorEntry& entry : GeneratorMenu()) {
    QMenu* target = menu;
    if (!entry.category.empty()) {
      if (!category || category->title() != FromCore(entry.category)) category = menu->addMenu(FromCore(entry.category));
      target = category;
    }
    target->addAction(FromCore(entry.label))->setData(FromCore(entry.label));
  }
  return menu;
}

}  // namespace

FieldEditor::FieldEditor(QWidget* parent) : QWidget(parent) {
  name_ = new QLineEdit;
  name_->setObjectName("name");
  type_ = new QComboBox;
  type_->setObjectName("type");
  for (std::string_view type : kFieldTypes) type_->addItem(FromCore(type));
  type_->setCurrentText("String");
  size_ = new QSpinBox;
  size_->setObjectName("size");
  size_->setRange(0, kMaxFieldSize);
  generator_ = new QLineEdit;
  generator_->setObjectName("generator");
  generator_->setReadOnly(true);
  menu_ = NewGeneratorMenu(this);
  menuButton_ = new QToolButton;
  menuButton_->setObjectName("generatorButton");
  menuButton_->setText("G");
  menuButton_->setToolTip("Open or Close generator menu");
  menuButton_->setMenu(menu_);
  menuButton_->setPopupMode(QToolButton::InstantPopup);
  pattern_ = new QLineEdit;
  pattern_->setObjectName("pattern");
  pattern_->setReadOnly(true);
  options_ = new OptionsPanel;
  samples_ = new QPlainTextEdit;
  samples_->setObjectName("samples");
  samples_->setReadOnly(true);
  samples_->setMaximumHeight(110);

  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(size_);
  auto* sizeHint = new QLabel("Optional. Used for fixed width output calculating.");
  sizeHint->setEnabled(false);
  sizeRow->addWidget(sizeHint, 1);
  auto* generatorRow = new QHBoxLayout;
  generatorRow->addWidget(generator_, 1);
  generatorRow->addWidget(menuButton_);
  auto* sampleHint = new QLabel("Fill and press <tab> to refresh samples");
  sampleHint->setTextFormat(Qt::PlainText);
  sampleHint->setEnabled(false);

  auto* form = new QFormLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("Name :", name_);
  form->addRow("Type :", type_);
  form->addRow("Size :", sizeRow);
  form->addRow("Generator :", generatorRow);
  form->addRow("Pattern :", pattern_);
  form->addRow("Options :", options_);
  form->addRow(sampleHint);
  form->addRow("Sample data", samples_);

  connect(name_, &QLineEdit::editingFinished, this, [this] {
    if (name_->isModified()) emit NameEdited();
    name_->setModified(false);
  });
  connect(type_, &QComboBox::activated, this, &FieldEditor::TypeEdited);
  connect(size_, &QSpinBox::valueChanged, this, &FieldEditor::TypeEdited);
  connect(menu_, &QMenu::triggered, this, [this](QAction* action) { ChooseGenerator(action->data().toString()); });
  connect(options_, &OptionsPanel::PatternBuilt, this, [this](const QString& pattern) {
    SetPattern(pattern);
    TypeFromGenerator();
    emit GeneratorEdited();
  });
  connect(pattern_, &QLineEdit::editingFinished, this, &FieldEditor::PatternFinished);
}

void FieldEditor::Load(const ColumnRule& field) {
  const QSignalBlocker quietSize(size_);
  name_->setText(FromCore(field.Name));
  name_->setModified(false);
  type_->setCurrentText(FromCore(BaseTypeName(field.TypeName)));
  size_->setValue(std::clamp(field.iSize, 0, kMaxFieldSize));
  generator_->setText(FromCore(field.LibName));
  const GeneratorEntry* entry = FindGenerator(field.LibName);
  options_->ShowOptions(entry ? entry->options : GeneratorOptions::kNone, FromCore(field.Mask));
  SetPattern(FromCore(field.Mask));
}

void FieldEditor::Clear() {
  const QSignalBlocker quietSize(size_);
  name_->clear();
  type_->setCurrentText("String");
  size_->setValue(0);
  generator_->clear();
  options_->ShowOptions(GeneratorOptions::kNone, {});
  SetPattern({});
  samples_->clear();
}

void FieldEditor::ChooseGenerator(const QString& label) {
  const std::string text = label.toStdString();
  const GeneratorEntry* entry = FindGenerator(text);
  if (!entry) return;
  generator_->setText(label);
  options_->ShowOptions(entry->options, {});
  // A generator with options starts from the pattern its panel shows; the
  // custom generator from the pattern in the box, for the user to edit.
  if (PatternEditable(text)) SetPattern(pattern_->text());
  else SetPattern(entry->options == GeneratorOptions::kNone ? FromCore(entry->pattern) : options_->Pattern());
  TypeFromGenerator();
  emit GeneratorEdited();
}

ColumnRule FieldEditor::Field(size_t position) const {
  return MakeField(Name().toStdString(), TypeName().toStdString(), Size(), Label().toStdString(),
                   Pattern().toStdString(), position);
}

QString FieldEditor::Name() const { return name_->text().trimmed(); }
QString FieldEditor::Label() const { return generator_->text(); }
QString FieldEditor::Pattern() const { return pattern_->text(); }
QString FieldEditor::TypeName() const { return type_->currentText(); }
int FieldEditor::Size() const { return size_->value(); }

void FieldEditor::ShowSamples(const QString& text) { samples_->setPlainText(text); }

void FieldEditor::SetTypesEditable(bool editable) {
  type_->setEnabled(editable);
  size_->setEnabled(editable);
}

void FieldEditor::SetPattern(const QString& pattern) {
  pattern_->setText(pattern);
  pattern_->setModified(false);
  pattern_->setReadOnly(!PatternEditable(Label().toStdString()));
}

void FieldEditor::TypeFromGenerator() {
  const std::string_view type = GeneratorFieldType(options_->Kind(), Pattern().toStdString());
  if (!type.empty()) type_->setCurrentText(FromCore(type));
}

void FieldEditor::PatternFinished() {
  if (!pattern_->isModified()) return;
  pattern_->setModified(false);
  emit GeneratorEdited();
}
