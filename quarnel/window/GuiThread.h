// Crossing between the interface thread and worker threads.
//
// CallOnGuiThread runs a function on the interface thread and returns when it
// has run: directly when called there, else through the event loop while the
// caller waits (the engine's questions). RunInBackground runs work on a new
// thread and `done` on the interface thread after it, with the window's event
// loop running all the while.
//
// REQUIRES: a QApplication exists; the interface thread keeps its event loop
// running while a worker waits in CallOnGuiThread; `receiver` outlives the
// work (the window refuses to close while a worker runs).
#pragma once

#include <functional>

class QObject;

void CallOnGuiThread(const std::function<void()>& function);
// Queues `function` for the interface thread and returns at once; dropped
// when `receiver` is gone by then.
void PostToGuiThread(QObject* receiver, std::function<void()> function);
void RunInBackground(QObject* receiver, std::function<void()> work, std::function<void()> done);
