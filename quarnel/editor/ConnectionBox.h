// A connection record edited in place: a checkable group whose check is "use
// this connection" (the record's interface type), with the data source, user,
// password, owner and full connection string.
#pragma once

#include <QGroupBox>

struct CONN_INFO;
class QLineEdit;

class ConnectionBox final : public QGroupBox {
  Q_OBJECT
 public:
  ConnectionBox(const QString& title, QWidget* parent = nullptr);
  // Shows `info` and edits it from now on; null shows nothing and edits nothing.
  void setConnection(CONN_INFO* info);

 signals:
  void changed();

 private:
  void Store();

  CONN_INFO* info_ = nullptr;
  bool loading_ = false;
  QLineEdit* connStr_;
  QLineEdit* dsn_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* owner_;
};
