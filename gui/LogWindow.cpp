#include "gui/LogWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "support/Log.h"

namespace {

// Lines kept in the view; older ones leave it as new ones come.
constexpr int kMaxLines = 200000;

}  // namespace

LogWindow::LogWindow(CLog& log, QWidget* parent)
    : QDialog(parent),
      log_(log),
      text_(new QPlainTextEdit(this)),
      search_(new QLineEdit(this)),
      follow_(new QCheckBox(QStringLiteral("&Follow new lines"), this)),
      state_(new QLabel(this)),
      timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("logWindow"));
  setWindowTitle(QStringLiteral("Log - ") + QString::fromStdString(log.Path()));
  text_->setObjectName(QStringLiteral("logText"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setMaximumBlockCount(kMaxLines);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  search_->setObjectName(QStringLiteral("logSearch"));
  search_->setPlaceholderText(QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  follow_->setObjectName(QStringLiteral("follow"));
  follow_->setChecked(true);
  state_->setObjectName(QStringLiteral("logState"));

  auto* searchLabel = new QLabel(QStringLiteral("&Find :"), this);
  searchLabel->setBuddy(search_);
  auto* next = new QPushButton(QStringLiteral("&Next"), this);
  auto* previous = new QPushButton(QStringLiteral("&Previous"), this);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchLabel);
  searchRow->addWidget(search_, 1);
  for (QWidget* widget : std::initializer_list<QWidget*>{next, previous, follow_}) searchRow->addWidget(widget);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(state_, 1);
  bottom->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(searchRow);
  layout->addWidget(text_, 1);
  layout->addLayout(bottom);

  connect(search_, &QLineEdit::returnPressed, this, [this] { Find(false); });
  connect(next, &QPushButton::clicked, this, [this] { Find(false); });
  connect(previous, &QPushButton::clicked, this, [this] { Find(true); });
  connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) ReadNewLines();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  connect(timer_, &QTimer::timeout, this, &LogWindow::ReadNewLines);
  timer_->setInterval(kFollowIntervalMs);
  resize(820, 520);
}

void LogWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ReadNewLines();
  timer_->start();
}

void LogWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  QDialog::hideEvent(event);
}

void LogWindow::ReadNewLines() {
  CLog::LogText read;
  if (const int error = log_.ReadText(offset_, read); error != 0) {
    std::string reason;
    CLog::FormatLastError(reason, error);
    state_->setText(QStringLiteral("The log could not be read: ") + QString::fromStdString(reason));
    return;
  }
  if (read.restarted || read.skipped) text_->clear();
  if (read.skipped) state_->setText(QStringLiteral("The log's older lines are left out: it is large."));
  else if (read.restarted) state_->setText(QStringLiteral("The log was emptied; shown from its start."));
  if (read.text.empty()) return;
  // Appending keeps the user's selection and place unless the view follows.
  QScrollBar* bar = text_->verticalScrollBar();
  const int place = bar->value();
  QTextCursor end(text_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromUtf8(read.text.data(), static_cast<qsizetype>(read.text.size())));
  if (follow_->isChecked()) bar->setValue(bar->maximum());
  else bar->setValue(place);
}

bool LogWindow::Find(bool backward) {
  const QString wanted = search_->text();
  if (wanted.isEmpty()) return false;
  const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = text_->find(wanted, flags);
  if (!found) {
    // Wrap around to the other end and look once more.
    QTextCursor start(text_->document());
    start.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    const QTextCursor before = text_->textCursor();
    text_->setTextCursor(start);
    found = text_->find(wanted, flags);
    if (!found) text_->setTextCursor(before);
  }
  // A found line is looked at: following would scroll it away.
  if (found) follow_->setChecked(false);
  state_->setText(found ? QString() : QStringLiteral("\"%1\" is not in the log.").arg(wanted));
  return found;
}
