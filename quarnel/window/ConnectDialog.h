// The connection dialog: the settings of CAdvConnect as the user edits them,
// from an ODBC data source (with user and password) or a driver with a
// database file, or a whole connection string; the owner (schema); a Test
// button; and loading or saving a connection profile.
#pragma once

#include <QDialog>

#include "support/ConnInfo.h"

class QComboBox;
class QLabel;
class QLineEdit;

class ConnectDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ConnectDialog(const CONN_INFO& info, QWidget* parent = nullptr);

  // The connection the inputs describe.
  CONN_INFO Info() const;
  void setInfo(const CONN_INFO& info);
  QLabel& testResult() { return *result_; }

 public slots:
  // Connects a connection of its own with the inputs, on a worker thread, and
  // shows the outcome beside the button.
  void Test();

 private:
  void BuildConnectionString();
  void LoadProfile();
  void SaveProfile();

  QComboBox* dataSource_;
  QLineEdit* user_;
  QLineEdit* password_;
  QComboBox* driver_;
  QLineEdit* database_;
  QLineEdit* owner_;
  QLineEdit* connectionString_;
  QLabel* result_;
  QWidget* testButton_;
};
