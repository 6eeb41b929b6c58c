#include "quarnel/window/WelcomePage.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "quarnel/window/PageHeading.h"

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent), recent_(new QListWidget(this)) {
  auto* heading = new QLabel(QStringLiteral("     Welcome to Quarnel"), this);
  StylePageHeading(*heading);
  auto* about = new QLabel(
      QStringLiteral("Quarnel fills the tables of a database with generated test data. A project is a list of rules, "
                     "one per table, that say how each column is filled.\n\n"
                     "1. Connect to the database to fill.\n2. Open a project (or start a new one).\n"
                     "3. Run it (Ctrl+R) and watch the execution console."),
      this);
  about->setWordWrap(true);
  auto* connectButton = new QPushButton(QStringLiteral("&Connect to a database..."), this);
  auto* open = new QPushButton(QStringLiteral("&Open a project..."), this);
  auto* fresh = new QPushButton(QStringLiteral("&New project"), this);
  auto* recentLabel = new QLabel(QStringLiteral("&Recent projects:"), this);
  recentLabel->setBuddy(recent_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(about);
  for (QPushButton* button : {connectButton, open, fresh}) layout->addWidget(button, 0, Qt::AlignLeft);
  layout->addSpacing(8);
  layout->addWidget(recentLabel);
  layout->addWidget(recent_, 1);

  connect(connectButton, &QPushButton::clicked, this, &WelcomePage::connectRequested);
  connect(open, &QPushButton::clicked, this, &WelcomePage::openRequested);
  connect(fresh, &QPushButton::clicked, this, &WelcomePage::newRequested);
  connect(recent_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit recentChosen(item->text()); });
}

void WelcomePage::setRecent(const std::vector<std::string>& paths) {
  recent_->clear();
  for (const std::string& path : paths) recent_->addItem(QString::fromStdString(path));
}
