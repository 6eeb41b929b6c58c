#include "quarnel/window/MigrationPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "quarnel/window/PageHeading.h"

namespace {

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

MigrationPage::MigrationPage(QWidget* parent)
    : QWidget(parent), schema_(new QLineEdit(this)), linkedSchema_(new QLineEdit(this)) {
  auto* heading = new QLabel(QStringLiteral("     Project Migration Tool"), this);
  StylePageHeading(*heading);
  auto* about = new QLabel(QStringLiteral("This tool helps you to migrate the project to another database schema (owner)"), this);
  about->setWordWrap(true);
  auto* migrate = new QPushButton(QStringLiteral("Migrate"), this);
  migrate_ = migrate;
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(migrate);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(about);
  layout->addSpacing(12);
  layout->addWidget(
      BuddyLabel(QStringLiteral("&New schema name for tables to be populated or modified by the project."), schema_, this));
  layout->addWidget(schema_);
  layout->addWidget(BuddyLabel(
      QStringLiteral("New schema name for &Linked tables. Keep it empty for 'no change' option."), linkedSchema_, this));
  layout->addWidget(linkedSchema_);
  layout->addStretch();
  layout->addLayout(buttons);
  connect(migrate, &QPushButton::clicked, this, &MigrationPage::migrateRequested);
}

std::string MigrationPage::newSchema() const { return schema_->text().trimmed().toStdString(); }
std::string MigrationPage::newLinkedSchema() const { return linkedSchema_->text().trimmed().toStdString(); }
void MigrationPage::setEnabledForProject(bool enabled) { migrate_->setEnabled(enabled); }
