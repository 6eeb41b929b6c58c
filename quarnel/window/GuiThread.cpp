#include "quarnel/window/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void CallOnGuiThread(const std::function<void()>& function) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    function();
    return;
  }
  QMetaObject::invokeMethod(app, [&function] { function(); }, Qt::BlockingQueuedConnection);
}

void PostToGuiThread(QObject* receiver, std::function<void()> function) {
  QMetaObject::invokeMethod(receiver, std::move(function), Qt::QueuedConnection);
}

void RunInBackground(QObject* receiver, std::function<void()> work, std::function<void()> done) {
  QThread* thread = QThread::create(std::move(work));
  // The thread object goes when its run has ended, even when `receiver` went first.
  QObject::connect(thread, &QThread::finished, receiver, std::move(done));
  QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  thread->start();
}
