// The tips dialog shown at start: one tip at a time, "&Next Tip", and the
// "Show tips at start" check box kept in the per-user store.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;

class TipsDialog final : public QDialog {
  Q_OBJECT

 public:
  TipsDialog(std::vector<std::string> tips, QWidget* parent = nullptr);
  ~TipsDialog() override;

  // Whether the dialog is to be shown at start (the default).
  static bool ShowAtStart();

 private:
  void ShowTip(size_t index);

  std::vector<std::string> tips_;
  size_t current_ = 0;
  QLabel* text_;
  QCheckBox* atStart_;
};
