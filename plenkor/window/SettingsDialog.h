// "Product Settings": edits plenkor's program settings and saves them with
// "Save".
//
// REQUIRES: `settings` outlives the dialog.
#pragma once

#include <QDialog>

class _Settings;
class QCheckBox;
class QSpinBox;

class SettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(_Settings& settings, QWidget* parent);

 private:
  void Save();

  _Settings& settings_;
  QCheckBox* askOverwrite_;
  QCheckBox* showTypes_;
  QSpinBox* spinStep_;
  QSpinBox* emptyLines_;
};
