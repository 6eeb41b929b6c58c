// The program settings window: one page per settings group (General
// Settings, User Interface Settings, Default Rule and Project Properties,
// Project Execution Settings, Date and Time Settings) with a control for each
// key a user sets. OK (or Apply) writes the controls into ProgramSettings and
// saves them; the date, time and conversion boxes remember their entries.
//
// While the window is open it is the settings' page-edit handler, so a run
// started meanwhile takes its edits.
//
// REQUIRES: `settings` outlives the window.
#pragma once

#include <QDialog>
#include <vector>

class ProgramSettings;
class QWidget;

struct SettingControl;

class SettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit SettingsDialog(ProgramSettings& settings, QWidget* parent = nullptr);
  ~SettingsDialog() override;

  // Writes every control into the settings (without saving them).
  void TakeEdits();
  // TakeEdits, then saves the settings and the boxes' histories.
  void Apply();
  // The control of `key`, found by its object name.
  QWidget* control(const char* key) const;

 private:
  void AddPages();
  void Show(const SettingControl& entry, QWidget* control) const;
  void Take(const SettingControl& entry, QWidget* control);

  ProgramSettings& settings_;
  std::vector<std::pair<const SettingControl*, QWidget*>> controls_;
};
