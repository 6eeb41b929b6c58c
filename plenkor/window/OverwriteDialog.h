// The "Output File" question asked before a run replaces an existing file.
#pragma once

#include <QDialog>

#include "plenkor/FlatFileRun.h"

class QCheckBox;

class OverwriteDialog final : public QDialog {
  Q_OBJECT

 public:
  OverwriteDialog(const QString& file, QWidget* parent);
  // Shows the dialog and returns the user's choice; closing it is Cancel.
  OverwriteChoice Choose();

 private:
  QCheckBox* remember_;
};
