// The execution console page: the heading the engine writes, the list of
// rules run with their counts, the progress bar, and the buttons "&Run
// project", "&Break", "&Save Report..." and "View &log". It applies the
// engine's console messages 2 to 7 on the interface thread.
#pragma once

#include <QWidget>
#include <string>

class ConsoleModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

class ConsolePage final : public QWidget {
  Q_OBJECT

 public:
  explicit ConsolePage(QWidget* parent = nullptr);

  // One console message of the engine (messages 1 and unknown ones are ignored).
  void Apply(int message, int number, const std::string& text);
  // Empties the list and the progress bar for a new run.
  void Clear();
  // Shows "&Break" and disables "&Run project" during a run.
  void setRunning(bool running);

  ConsoleModel& model() { return *model_; }
  QTableView& list() { return *list_; }
  QProgressBar& progress() { return *progress_; }
  QPushButton& runButton() { return *run_; }
  QPushButton& breakButton() { return *break_; }
  QString heading() const;

 signals:
  void runRequested();
  void breakRequested();
  void saveReportRequested();
  void viewLogRequested();

 private:
  void ShowRow(int row);

  ConsoleModel* model_;
  QLabel* heading_;
  QTableView* list_;
  QProgressBar* progress_;
  QPushButton* run_;
  QPushButton* break_;
  QPushButton* saveReport_;
  QPushButton* viewLog_;
};
