// The BLOB loader page: the table, its large-object column and key columns,
// the source folder, and the number of rows to fill; "&Run" hands them to the
// core's BlobLoader, which the window runs on a worker thread.
#pragma once

#include <QWidget>

#include "quarnel/BlobLoader.h"

class CDB;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

class BlobLoaderPage final : public QWidget {
  Q_OBJECT

 public:
  explicit BlobLoaderPage(QWidget* parent = nullptr);

  // Fills the table list from `db` (null or unconnected: empty) and the
  // inputs from `request` (the settings' last entries).
  void Prepare(CDB* db, const BlobLoadRequest& request);
  // The request as the inputs now say.
  BlobLoadRequest Request() const;
  void setRunning(bool running);
  QProgressBar& progress() { return *progress_; }

 signals:
  void runRequested();

 private:
  void TableChosen();
  void UpdateRun();

  CDB* db_ = nullptr;
  bool running_ = false;
  QComboBox* table_;
  QComboBox* column_;
  QLineEdit* keys_;
  QLineEdit* directory_;
  QCheckBox* subdirectories_;
  QLineEdit* items_;
  QProgressBar* progress_;
  QPushButton* run_;
};
