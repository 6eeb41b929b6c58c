// The program's own log viewer: the log file in a read-only text view that
// follows new lines as the program writes them, with a search box. It is not
// modal, so the log can stay open beside the window while the program works.
// A file emptied meanwhile is shown again from its start.
//
// REQUIRES: `log` outlives the window.
#pragma once

#include <QDialog>
#include <cstdint>

class CLog;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

class LogWindow final : public QDialog {
  Q_OBJECT

 public:
  // How often the file is read for new lines.
  static constexpr int kFollowIntervalMs = 500;

  explicit LogWindow(CLog& log, QWidget* parent = nullptr);

  // Reads what the log gained since the last read and, while "Follow new
  // lines" is checked, scrolls to the end.
  void ReadNewLines();
  // Selects the next (or previous) place holding the search text, wrapping
  // around; false when there is none.
  bool Find(bool backward);

 protected:
  // The file is read only while the window shows.
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  CLog& log_;
  uint64_t offset_ = 0;
  QPlainTextEdit* text_;
  QLineEdit* search_;
  QCheckBox* follow_;
  QLabel* state_;
  QTimer* timer_;
};
