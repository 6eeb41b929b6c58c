// A test that meets a message box or dialog it did not ask for would wait for
// a person for ever. The guard watches the modal window of the program under
// test: one that stays open longer than the tests' own answering helpers take
// fails the running test with its caption and text, and is closed.
#pragma once

#include <QString>
#include <functional>

namespace testenv {

// REQUIRES: a QApplication exists; call once per program. `fail` records the
// failure in the running test (gtest's ADD_FAILURE, Qt Test's qFail).
void GuardAgainstUnansweredModals(std::function<void(const QString& what)> fail, int graceMs = 5000);

// The guard for a Qt Test program, failing the running test function.
void GuardQtTestAgainstUnansweredModals();

}  // namespace testenv
