#include "quarnel/editor/ConnectionBox.h"

#include <QFormLayout>
#include <QLineEdit>

#include "support/ConnInfo.h"

ConnectionBox::ConnectionBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent),
      connStr_(new QLineEdit),
      dsn_(new QLineEdit),
      user_(new QLineEdit),
      password_(new QLineEdit),
      owner_(new QLineEdit) {
  setCheckable(true);
  password_->setEchoMode(QLineEdit::Password);
  connStr_->setPlaceholderText("DRIVER=SQLite3;Database=/path/file.db");
  auto* form = new QFormLayout(this);
  form->addRow("Connection &string:", connStr_);
  form->addRow("Data &source:", dsn_);
  form->addRow("&User:", user_);
  form->addRow("&Password:", password_);
  form->addRow("&Owner:", owner_);
  connect(this, &QGroupBox::toggled, this, &ConnectionBox::Store);
  for (QLineEdit* edit : {connStr_, dsn_, user_, password_, owner_}) {
    connect(edit, &QLineEdit::textEdited, this, &ConnectionBox::Store);
  }
}

void ConnectionBox::setConnection(CONN_INFO* info) {
  info_ = nullptr;
  loading_ = true;
  const CONN_INFO shown = info ? *info : CONN_INFO{};
  setChecked(shown.ConType != 0);
  connStr_->setText(QString::fromStdString(shown.conStr));
  dsn_->setText(QString::fromStdString(shown.conDSN));
  user_->setText(QString::fromStdString(shown.conUser));
  password_->setText(QString::fromStdString(shown.conPwd));
  owner_->setText(QString::fromStdString(shown.conOwner));
  loading_ = false;
  info_ = info;
}

void ConnectionBox::Store() {
  if (loading_ || !info_) return;
  info_->ConType = isChecked() ? CONN_INFO::kOdbc : 0;
  info_->conStr = connStr_->text().toStdString();
  info_->conDSN = dsn_->text().toStdString();
  info_->conUser = user_->text().toStdString();
  info_->conPwd = password_->text().toStdString();
  info_->conOwner = owner_->text().toStdString();
  emit changed();
}
