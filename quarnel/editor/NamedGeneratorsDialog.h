// The project's named generators: the list, a new one made from a column of
// a rule, editing one with the column editor, deleting, export of all or one
// to a ".ngen" file and import from one, and applying one to the columns of
// the whole project. Every change marks the document modified.
//
// REQUIRES: the document and context outlive the dialog.
#pragma once

#include <QDialog>
#include <string>

#include "project/Project.h"

class ProjectDocument;
struct EditorContext;
class QListWidget;

class NamedGeneratorsDialog final : public QDialog {
  Q_OBJECT
 public:
  NamedGeneratorsDialog(ProjectDocument& document, EditorContext& context, QWidget* parent = nullptr);

  // The operations behind the buttons, without their file and name choosers.
  // Each returns true when it changed or wrote something; refusals are shown.
  bool NewFromColumn(size_t rule, size_t column, const std::string& name);
  bool Remove(int index);
  // Writes generator `index` (-1: all) to `path`, with ".ngen" added when
  // the file name has no suffix.
  bool ExportTo(const std::string& path, int index);
  bool ImportFrom(const std::string& path);
  int Current() const;

 private:
  void Refresh(int select);
  void NewClicked();
  void EditClicked();
  void ExportClicked(bool all);
  void ImportClicked();
  void ApplyClicked();
  bool NameTaken(const std::string& name, int except) const;

  ProjectDocument& document_;
  EditorContext& context_;
  QListWidget* list_;
};

// Edits one named generator: its name and its column settings, on a copy that
// "OK" keeps when the name is not empty and not another generator's.
class NamedGeneratorEditor final : public QDialog {
  Q_OBJECT
 public:
  NamedGeneratorEditor(ColumnRule& generator, const std::vector<ColumnRule>& all, EditorContext& context,
                       QWidget* parent = nullptr);
  ColumnRule& Working() { return work_; }
  void accept() override;

 private:
  ColumnRule& generator_;
  const std::vector<ColumnRule>& all_;
  ColumnRule work_;
};

// Shows the named generators of the document's project.
void EditNamedGenerators(ProjectDocument& document, EditorContext& context, QWidget* parent);
