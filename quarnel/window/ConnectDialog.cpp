#include "quarnel/window/ConnectDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "support/AdvConnect.h"
#include "support/Database.h"
#include "support/Odbc.h"
#include "quarnel/window/GuiThread.h"

namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }
const QString kProfileFilter = QStringLiteral("Connection profiles (*.qcp);;All Files (*)");

}  // namespace

ConnectDialog::ConnectDialog(const CONN_INFO& info, QWidget* parent)
    : QDialog(parent),
      dataSource_(new QComboBox(this)),
      user_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      driver_(new QComboBox(this)),
      database_(new QLineEdit(this)),
      owner_(new QLineEdit(this)),
      connectionString_(new QLineEdit(this)),
      result_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Connect to Database"));
  dataSource_->setEditable(true);
  dataSource_->addItem(QString());
  for (const std::string& name : OdbcDataSources()) dataSource_->addItem(Qs(name));
  driver_->addItem(QString());
  for (const std::string& name : OdbcDrivers()) driver_->addItem(Qs(name));
  password_->setEchoMode(QLineEdit::Password);
  connectionString_->setPlaceholderText(QStringLiteral("DRIVER=SQLite3;Database=/path/file.db"));
  owner_->setPlaceholderText(QStringLiteral("the server's default"));
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* sourceBox = new QGroupBox(QStringLiteral("ODBC data source"), this);
  auto* sourceForm = new QFormLayout(sourceBox);
  sourceForm->addRow(QStringLiteral("&Data source:"), dataSource_);
  sourceForm->addRow(QStringLiteral("&User:"), user_);
  sourceForm->addRow(QStringLiteral("&Password:"), password_);

  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  auto* file = new QHBoxLayout;
  file->addWidget(database_, 1);
  file->addWidget(browse);
  auto* stringBox = new QGroupBox(QStringLiteral("Or a driver and database file, or a connection string"), this);
  auto* stringForm = new QFormLayout(stringBox);
  stringForm->addRow(QStringLiteral("Dri&ver:"), driver_);
  auto* fileLabel = new QLabel(QStringLiteral("Database &file:"), this);
  fileLabel->setBuddy(database_);
  stringForm->addRow(fileLabel, file);
  stringForm->addRow(QStringLiteral("Connection &string:"), connectionString_);

  auto* ownerForm = new QFormLayout;
  ownerForm->addRow(QStringLiteral("&Owner (schema):"), owner_);

  auto* test = new QPushButton(QStringLiteral("&Test"), this);
  testButton_ = test;
  auto* load = new QPushButton(QStringLiteral("&Load Profile..."), this);
  auto* save = new QPushButton(QStringLiteral("Sa&ve Profile..."), this);
  auto* tools = new QHBoxLayout;
  tools->addWidget(test);
  tools->addWidget(result_, 1);
  tools->addWidget(load);
  tools->addWidget(save);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Connect"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sourceBox);
  layout->addWidget(stringBox);
  layout->addLayout(ownerForm);
  layout->addLayout(tools);
  layout->addWidget(box);
  resize(560, sizeHint().height());

  connect(driver_, &QComboBox::currentTextChanged, this, [this] { BuildConnectionString(); });
  connect(database_, &QLineEdit::textEdited, this, [this] { BuildConnectionString(); });
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Database File"), database_->text());
    if (chosen.isEmpty()) return;
    database_->setText(chosen);
    BuildConnectionString();
  });
  connect(test, &QPushButton::clicked, this, &ConnectDialog::Test);
  connect(load, &QPushButton::clicked, this, &ConnectDialog::LoadProfile);
  connect(save, &QPushButton::clicked, this, &ConnectDialog::SaveProfile);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  setInfo(info);
}

void ConnectDialog::setInfo(const CONN_INFO& info) {
  dataSource_->setCurrentText(Qs(info.conDSN));
  user_->setText(Qs(info.conUser));
  password_->setText(Qs(info.conPwd));
  owner_->setText(Qs(info.conOwner));
  database_->setText(Qs(info.conFile));
  connectionString_->setText(Qs(info.conStr));
}

CONN_INFO ConnectDialog::Info() const {
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conDSN = dataSource_->currentText().trimmed().toStdString();
  info.conUser = user_->text().toStdString();
  info.conPwd = password_->text().toStdString();
  info.conOwner = owner_->text().trimmed().toStdString();
  info.conFile = database_->text().trimmed().toStdString();
  info.conStr = connectionString_->text().trimmed().toStdString();
  const QString name = QFileInfo(database_->text().trimmed()).completeBaseName();
  info.conDB = name.isEmpty() ? info.conDSN : name.toStdString();
  return info;
}

void ConnectDialog::BuildConnectionString() {
  const QString driver = driver_->currentText();
  const QString file = database_->text().trimmed();
  if (driver.isEmpty() || file.isEmpty()) return;
  QString text = QStringLiteral("DRIVER={%1};Database=%2").arg(driver, file);
  if (driver.contains(QStringLiteral("SQLite"), Qt::CaseInsensitive)) text += QStringLiteral(";FKSupport=1");
  connectionString_->setText(text);
}

void ConnectDialog::Test() {
  const CONN_INFO info = Info();
  testButton_->setEnabled(false);
  result_->setText(QStringLiteral("Connecting..."));
  auto outcome = std::make_shared<QString>();
  RunInBackground(
      this,
      [info, outcome] {
        std::unique_ptr<CDB> db = CDB::newDB(info.ConType);
        if (!db) {
          *outcome = QStringLiteral("No connection of this kind can be made.");
        } else if (CDB::isOK(db->Connect(info))) {
          *outcome = QStringLiteral("Connected to %1.").arg(Qs(db->dbmsName()));
        } else {
          *outcome = QStringLiteral("Failed: %1").arg(Qs(db->ErrorText()));
        }
      },
      [this, outcome] {
        result_->setText(*outcome);
        testButton_->setEnabled(true);
      });
}

void ConnectDialog::LoadProfile() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load Connection Profile"), QString(), kProfileFilter);
  if (path.isEmpty()) return;
  CONN_INFO info;
  std::string error;
  if (CAdvConnect::LoadProfile(path.toStdString(), &info, &error) != 0) {
    QMessageBox::warning(this, QStringLiteral("Warning!"), Qs(error));
    return;
  }
  setInfo(info);
}

void ConnectDialog::SaveProfile() {
  QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Connection Profile"), QString(), kProfileFilter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".qcp");
  std::string error;
  if (CAdvConnect::SaveProfile(path.toStdString(), Info(), &error) != 0) {
    QMessageBox::warning(this, QStringLiteral("Warning!"), Qs(error));
  }
}
