// The settings of one column rule: its fill method, a page of that method's
// settings, the options every method shares, and five sample values of the
// column as it stands, refreshed shortly after each edit. Every edit goes
// straight into the column rule shown; the owner of the rule decides whether
// the edits are kept.
//
// REQUIRES: the column rule, its rule and the context outlive their use here
// (setColumn(nullptr, nullptr) lets go of them).
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "project/Project.h"
#include "quarnel/editor/FieldBinder.h"

struct EditorContext;
class ConnectionBox;
class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTimer;

class ColumnEditor final : public QWidget {
  Q_OBJECT
 public:
  ColumnEditor(EditorContext& context, QWidget* parent = nullptr);

  // Shows and edits `column`, a column of `rule` (null for a named generator,
  // which is sampled on its own).
  void setColumn(ColumnRule* column, Rule* rule);
  ColumnRule* column() const { return bind_.record; }

  // Makes the samples now instead of after the pause that follows an edit.
  void RefreshSamples();
  // The samples shown, and the engine's message about them (empty when none).
  QStringList Samples() const;
  QString SampleError() const;

 signals:
  // The column rule was changed by the user.
  void columnChanged();

 private:
  void Edited();

  QWidget* RandomPage();
  QWidget* LinkedPage();
  QWidget* ListPage();
  QWidget* FilePage();
  QWidget* LibraryPage();
  QWidget* IncrementalPage();
  QWidget* PatternPage();
  QWidget* SqlPage();
  QWidget* ComputedPage();
  QWidget* GroupItemPage();
  QWidget* CustomPage();
  QWidget* NotePage(const QString& text);
  QWidget* CommonOptions();

  void MethodChosen(int method);
  void StoreUnicode();
  void FillLinkedColumns();
  void FillLibraryFields();
  void StoreLibName();
  void ListEdited();
  void LoadList();
  void StoreComputed();
  void StoreCustom();

  EditorContext& context_;
  FieldBinder<ColumnRule> bind_;
  Rule* rule_ = nullptr;

  QComboBox* method_;
  QStackedWidget* pages_;
  QTableWidget* unicode_ = nullptr;
  QComboBox* linkedTable_ = nullptr;
  QComboBox* linkedColumn_ = nullptr;
  QTableWidget* list_ = nullptr;
  QComboBox* libList_ = nullptr;
  QComboBox* libField_ = nullptr;
  QPlainTextEdit* expression_ = nullptr;
  QLineEdit* dllPath_ = nullptr;
  QLineEdit* dllParams_ = nullptr;
  QComboBox* namedGen_ = nullptr;
  std::vector<ConnectionBox*> connections_;
  QListWidget* samples_;
  QLabel* sampleError_;
  QTimer* sampleTimer_;
};
