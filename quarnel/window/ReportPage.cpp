#include "quarnel/window/ReportPage.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "quarnel/Reports.h"
#include "quarnel/window/PageHeading.h"

ReportPage::ReportPage(QWidget* parent) : QWidget(parent), browser_(new QTextBrowser(this)) {
  auto* heading = new QLabel(QStringLiteral("     Project Report Preview"), this);
  StylePageHeading(*heading);
  browser_->setOpenLinks(true);
  auto* save = new QPushButton(QStringLiteral("Save &Report..."), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(browser_, 1);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, &ReportPage::saveRequested);
}

ReportPage::~ReportPage() = default;

bool ReportPage::Show(const Project& project, const ReportInfo& info) {
  auto file = std::make_unique<QTemporaryFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("reportXXXXXX.html")));
  // Opening creates the file under a unique name; the report writer then
  // writes it again by that name.
  if (!file->open()) return false;
  file->close();
  const QString path = file->fileName();
  if (WriteProjectReport(path.toStdString(), project, info) != 0) return false;
  file_ = std::move(file);
  browser_->clear();
  browser_->setSource(QUrl::fromLocalFile(path));
  browser_->reload();
  return true;
}
