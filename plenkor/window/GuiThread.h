// Runs a piece of work on the interface thread and waits for its result, so
// a worker may show a dialog. On the interface thread itself the work runs
// at once.
//
// REQUIRES: a QApplication exists, and the interface thread is not blocked
// waiting for the calling worker (it keeps its event loop running).
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <optional>
#include <utility>

template <typename Work>
auto OnGuiThread(Work&& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (QThread::currentThread() == app->thread()) return work();
  std::optional<decltype(work())> result;
  QMetaObject::invokeMethod(
      app, [&] { result.emplace(work()); }, Qt::BlockingQueuedConnection);
  return std::move(*result);
}
