// The main window as a user meets it: the real start-up of quarnel
// (CQuarnelApp::InitInstance with its settings, log and value library in a
// temporary home) with the demo project and a fresh SQLite demo database in a
// temporary folder, and helpers that answer message boxes and wait for the
// window without blocking its event loop.
#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/Database.h"
#include "tests/common/TestEnv.h"

class CQuarnelApp;
class CQuarnelDlg;

// What a message box showed, and the button it was answered with.
struct SeenBox {
  QString caption;
  QString text;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts quarnel with `args` (run from the temporary folder) and runs
  // `body` with the window once its deferred start-up is done; then closes
  // the window. Returns InitInstance's status.
  int StartWindow(const std::vector<std::string>& args, const std::function<void(CQuarnelDlg&, CQuarnelApp&)>& body);

  // Answers the next modal message box with `button` (ticking its check box
  // first when `tick` is set); the box's texts go to `seen` when given.
  static void AnswerNextBox(QMessageBox::StandardButton button, SeenBox* seen = nullptr, bool tick = false);
  // Runs `answer` with the next modal dialog of kind Dialog once it shows,
  // while the event loop runs; gives up after a minute.
  template <typename Dialog>
  static void WhenDialogShows(std::function<void(Dialog&)> answer) {
    WhenModalShows([answer = std::move(answer)](QWidget* modal) {
      auto* dialog = qobject_cast<Dialog*>(modal);
      if (dialog) answer(*dialog);
      return dialog != nullptr;
    });
  }
  // Offers each modal widget that shows to `take` until it takes one (true).
  static void WhenModalShows(std::function<bool(QWidget*)> take);
  // Runs the event loop until `done` holds or `ms` pass; returns `done()`.
  static bool WaitFor(const std::function<bool()>& done, int ms = 60000);

  // Rows of `table` in the demo database.
  long Count(const std::string& table);
  // Writes a settings key into the temporary home before start-up.
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value);

  testenv::TempDir dir_;
  testenv::TempDir home_;
  std::unique_ptr<CDB> db_;
};
