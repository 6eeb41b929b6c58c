#include "tests/common/ModalGuard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace testenv {

namespace {

QString Describe(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    QString what = QStringLiteral("unanswered message box \"%1\": %2").arg(box->windowTitle(), box->text());
    if (!box->informativeText().isEmpty()) what += QLatin1Char(' ') + box->informativeText();
    return what;
  }
  return QStringLiteral("unanswered dialog \"%1\" (%2)")
      .arg(modal->windowTitle(), QString::fromLatin1(modal->metaObject()->className()));
}

void Dismiss(QWidget* modal) {
  // A cautious answer: Cancel where the box has one, else the box's escape.
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    if (QAbstractButton* cancel = box->button(QMessageBox::Cancel)) return cancel->click();
    if (QAbstractButton* no = box->button(QMessageBox::No)) return no->click();
  }
  if (auto* dialog = qobject_cast<QDialog*>(modal)) return dialog->reject();
  modal->close();
}

}  // namespace

void GuardAgainstUnansweredModals(std::function<void(const QString&)> fail, int graceMs) {
  auto* timer = new QTimer(qApp);
  auto watched = std::make_shared<QPointer<QWidget>>();
  auto since = std::make_shared<QDeadlineTimer>();
  QObject::connect(timer, &QTimer::timeout, [fail = std::move(fail), graceMs, watched, since] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != watched->data()) {
      *watched = modal;
      *since = QDeadlineTimer(graceMs);
      return;
    }
    if (!modal || !since->hasExpired()) return;
    *watched = nullptr;
    fail(Describe(modal));
    Dismiss(modal);
  });
  timer->start(100);
}

void GuardQtTestAgainstUnansweredModals() {
  GuardAgainstUnansweredModals([](const QString& what) { QTest::qFail(qPrintable(what), __FILE__, __LINE__); });
}

}  // namespace testenv
