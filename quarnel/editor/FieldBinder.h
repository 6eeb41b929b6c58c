// Controls bound to the fields of one record: each builder makes a control
// that shows its field whenever Load runs and writes the field back on every
// edit, then calls the owner's `edited` hook. The record may change at any
// time (Load shows the new one); while `loading` is set edits are ignored, so
// filling controls never writes back.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <functional>
#include <string>
#include <vector>

template <class Record>
class FieldBinder {
 public:
  FieldBinder(QObject* owner, std::function<void()> edited) : owner_(owner), edited_(std::move(edited)) {}

  Record* record = nullptr;
  bool loading = false;

  // Shows `shown` in every bound control and edits it from now on.
  void Load(Record* shown) {
    record = shown;
    const bool was = loading;
    loading = true;
    if (record) {
      for (const std::function<void()>& load : loaders_) load();
    }
    loading = was;
  }
  // Runs `load` at every Load with a record.
  void OnLoad(std::function<void()> load) { loaders_.push_back(std::move(load)); }
  // Whether an edit may be written now.
  bool Writable() const { return record && !loading; }
  void Edited() const {
    if (Writable()) edited_();
  }

  QLineEdit* Text(std::string Record::*field) {
    auto* edit = new QLineEdit;
    QObject::connect(edit, &QLineEdit::textChanged, owner_, [this, edit, field] {
      if (!Writable()) return;
      record->*field = edit->text().toStdString();
      edited_();
    });
    OnLoad([this, edit, field] { edit->setText(QString::fromStdString(record->*field)); });
    return edit;
  }

  QPlainTextEdit* LongText(std::string Record::*field) {
    auto* edit = new QPlainTextEdit;
    QObject::connect(edit, &QPlainTextEdit::textChanged, owner_, [this, edit, field] {
      if (!Writable()) return;
      record->*field = edit->toPlainText().toStdString();
      edited_();
    });
    OnLoad([this, edit, field] { edit->setPlainText(QString::fromStdString(record->*field)); });
    return edit;
  }

  QSpinBox* Number(int Record::*field, int min, int max) {
    auto* spin = new QSpinBox;
    spin->setRange(min, max);
    QObject::connect(spin, &QSpinBox::valueChanged, owner_, [this, field](int value) {
      if (!Writable()) return;
      record->*field = value;
      edited_();
    });
    OnLoad([this, spin, field] { spin->setValue(record->*field); });
    return spin;
  }

  QCheckBox* Check(const QString& label, int Record::*field) {
    auto* box = new QCheckBox(label);
    QObject::connect(box, &QCheckBox::toggled, owner_, [this, field](bool on) {
      if (!Writable()) return;
      record->*field = on ? 1 : 0;
      edited_();
    });
    OnLoad([this, box, field] { box->setChecked(record->*field != 0); });
    return box;
  }

  // A list of choices whose index plus `first` is the field's value.
  QComboBox* Choice(int Record::*field, const QStringList& items, int first = 0) {
    auto* combo = new QComboBox;
    combo->addItems(items);
    QObject::connect(combo, &QComboBox::currentIndexChanged, owner_, [this, field, first](int index) {
      if (!Writable() || index < 0) return;
      record->*field = index + first;
      edited_();
    });
    OnLoad([this, combo, field, first] { combo->setCurrentIndex(record->*field - first); });
    return combo;
  }

 private:
  QObject* owner_;
  std::function<void()> edited_;
  std::vector<std::function<void()>> loaders_;
};
