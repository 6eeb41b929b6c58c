// The field editor of the main window: name, data type and size, the
// generator chosen from the "G" menu, its pattern and options, and the
// sample data of the pattern. The editor holds what the user is editing;
// the window decides which field of the definition that changes.
#pragma once

#include <QWidget>

#include "project/Project.h"

class OptionsPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;

class FieldEditor final : public QWidget {
  Q_OBJECT

 public:
  explicit FieldEditor(QWidget* parent = nullptr);

  // Shows `field`; the options page is that of its generator.
  void Load(const ColumnRule& field);
  // Empties the editor for a new field.
  void Clear();
  // Selects the generator with `label` as the menu does, and announces it.
  void ChooseGenerator(const QString& label);

  // The field as edited, for the 1-based `position` (which names a nameless field).
  ColumnRule Field(size_t position) const;
  QString Name() const;
  QString Label() const;
  QString Pattern() const;
  QString TypeName() const;
  int Size() const;

  void ShowSamples(const QString& text);
  // Without types the type list and size are read-only.
  void SetTypesEditable(bool editable);
  QMenu* GeneratorMenu() const { return menu_; }

 signals:
  void NameEdited();
  void TypeEdited();
  // The generator label or the pattern changed, and with a date, time or
  // number generator the type.
  void GeneratorEdited();

 private:
  void SetPattern(const QString& pattern);
  // The type the values of the generator have, when it decides one.
  void TypeFromGenerator();
  void PatternFinished();

  QLineEdit* name_;
  QComboBox* type_;
  QSpinBox* size_;
  QLineEdit* generator_;
  QToolButton* menuButton_;
  QMenu* menu_;
  QLineEdit* pattern_;
  OptionsPanel* options_;
  QPlainTextEdit* samples_;
};
