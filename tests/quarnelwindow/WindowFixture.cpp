#include "tests/quarnelwindow/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "project/ProjectDocument.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/window/QuarnelDlg.h"
#include "support/AdvConnect.h"
#include "support/Settings.h"
#include "support/SysReg.h"

namespace fs = std::filesystem;

void WindowTest::SetUp() {
  setenv("QUARNEL_HOME", home_.path().c_str(), 1);
  for (const char* file : {"demo.qrp", "demo-cities.txt", "demo-payment-methods.txt"}) {
    fs::copy_file(testenv::SourceDir() / "examples" / file, dir_.path() / file);
  }
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(dir_.file("demo.db"));
  info.conDB = "demo";
  std::string error;
  ASSERT_EQ(CAdvConnect::SaveProfile(dir_.file("demo.qcp"), info, &error), 0) << error;
  db_ = CDB::newDB();
  ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
  ASSERT_EQ(testenv::RunScript(*db_, testenv::ReadFile(testenv::SourceDir() / "examples" / "demo-schema.sql")), 0);
  // No tips dialog over the window under test.
  CSysReg tips("Software\\Orvanesoft\\Quarnel\\Tips", CSysReg::kUserStore);
  tips.Section("Tips", 1);
  tips.Save("StartUp", 0);
  ASSERT_NE(tips.SaveSection(), 0);
}

void WindowTest::TearDown() {
  // What the program logged is the first thing to read when a window test fails.
  if (HasFailure()) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home_.path(), ec)) {
      if (entry.path().extension() != ".log") continue;
      const std::string log = testenv::ReadFile(entry.path());
      std::cerr << "---- end of " << entry.path() << "\n" << log.substr(log.size() > 6000 ? log.size() - 6000 : 0) << "\n";
    }
  }
  db_.reset();
  QDir::setCurrent(QDir::tempPath());
}

void WindowTest::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  CSysReg store(_Settings::kDefaultStore, CSysReg::kUserStore);
  store.Section(section);
  store.Save(key, std::string_view(value));
  ASSERT_NE(store.SaveSection(), 0);
}

int WindowTest::StartWindow(const std::vector<std::string>& args, const std::function<void(CQuarnelDlg&, CQuarnelApp&)>& body) {
  QDir::setCurrent(QString::fromStdString(dir_.path().string()));
  std::vector<const char*> argv{"quarnel"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  CQuarnelApp app;
  app.showWindow = [&body](CQuarnelApp& started) {
    auto window = std::make_unique<CQuarnelDlg>(started);
    bool ready = false;
    QObject::connect(window.get(), &CQuarnelDlg::startupFinished, [&ready] { ready = true; });
    window->setFileOpener([](const QString&) {});
    window->show();
    EXPECT_TRUE(WaitFor([&] { return ready && window->busy() == CQuarnelDlg::Busy::kIdle; }));
    body(*window, started);
    if (window->isVisible()) {
      // Unsaved changes left by the test are dropped.
      if (started.document().modified()) AnswerNextBox(QMessageBox::No);
      window->close();
    }
    WaitFor([&] { return !window->isVisible(); }, 5000);
    return 0;
  };
  return app.InitInstance(static_cast<int>(argv.size()), argv.data());
}

void WindowTest::AnswerNextBox(QMessageBox::StandardButton button, SeenBox* seen, bool tick) {
  WhenDialogShows<QMessageBox>([button, seen, tick](QMessageBox& box) {
    if (seen) *seen = {box.windowTitle(), box.text()};
    if (tick && box.checkBox()) box.checkBox()->setChecked(true);
    if (QAbstractButton* chosen = box.button(button)) chosen->click();
  });
}

void WindowTest::WhenModalShows(std::function<bool(QWidget*)> take) {
  constexpr int kIntervalMs = 20;
  constexpr int kGiveUpTicks = 60000 / kIntervalMs;
  auto* timer = new QTimer(qApp);
  timer->setInterval(kIntervalMs);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, take = std::move(take), ticks] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && take(modal)) {
      timer->stop();
      timer->deleteLater();
    } else if (++*ticks > kGiveUpTicks) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

bool WindowTest::WaitFor(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }

long WindowTest::Count(const std::string& table) {
  std::unique_ptr<CStmt> stmt = db_->NewStmt();
  std::string text;
  long ind = 0;
  if (!CDB::isOK(db_->Exec("select count(*) from " + table, stmt.get())) || !CDB::isOK(db_->Fetch(stmt.get()))) {
    return -1;
  }
  db_->GetDataAsText(1, &text, &ind, stmt.get());
  db_->FreeStmt(stmt.get());
  return std::stol(text);
}
