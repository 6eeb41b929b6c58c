// Makes the README's pictures of the main window: starts quarnel with the
// command line it is given (from the folder of a demo database), runs the
// project and grabs each page and the dialogs into PNG files of the
// folder named by QUARNEL_SHOTS. Run by scripts/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "gui/LogWindow.h"
#include "project/ProjectDocument.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/editor/RuleEditor.h"
#include "quarnel/window/BlobLoaderPage.h"
#include "quarnel/window/ConnectDialog.h"
#include "quarnel/window/QuarnelDlg.h"
#include "quarnel/window/ProjectPage.h"
#include "quarnel/window/SchemaDialog.h"
#include "quarnel/window/SettingsDialog.h"
#include "support/SysReg.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!widget.grab().save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

int Shoot(CQuarnelApp& app, const QDir& folder) {
  CQuarnelDlg window(app);
  bool ready = false;
  QObject::connect(&window, &CQuarnelDlg::startupFinished, [&ready] { ready = true; });
  window.resize(960, 600);
  window.show();
  if (!QTest::qWaitFor([&] { return ready && window.busy() == CQuarnelDlg::Busy::kIdle; }, 30000)) return 1;
  bool ok = true;
  QTest::qWait(200);  // the status line's layout follows its text
  window.action("welcomePage")->trigger();
  ok &= Save(window, folder, "welcome");
  window.action("projectPage")->trigger();
  ok &= Save(window, folder, "project");
  // The rule editor on the customers rule, its e-mail column chosen.
  window.projectPage().selectRow(2);
  QTimer::singleShot(200, [&] {
    auto* editor = qobject_cast<RuleEditor*>(QApplication::activeModalWidget());
    if (!editor) {
      ok = false;
      return;
    }
    editor->resize(1100, 720);
    if (auto* tabs = editor->findChild<QTabWidget*>()) tabs->setCurrentIndex(1);  // the columns
    editor->SelectColumn(3);
    QTest::qWait(800);  // the samples follow a short pause
    ok &= Save(*editor, folder, "rule-editor");
    editor->reject();
  });
  window.action("editRule")->trigger();
  bool finished = false;
  QObject::connect(&window, &CQuarnelDlg::runFinished, [&finished] { finished = true; });
  if (!window.Run() || !QTest::qWaitFor([&] { return finished; }, 120000)) return 1;
  QTest::qWait(200);
  ok &= Save(window, folder, "console");
  window.action("previewReport")->trigger();
  QTest::qWait(200);
  ok &= Save(window, folder, "report");
  window.action("blobLoader")->trigger();
  ok &= Save(window, folder, "blob-loader");
  window.action("migration")->trigger();
  ok &= Save(window, folder, "migration");
  SettingsDialog settings(app.settings(), &window);
  settings.show();
  ok &= Save(settings, folder, "settings");
  settings.reject();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = "DRIVER=SQLite3;Database=demo.db;FKSupport=1";
  ConnectDialog connect(info, &window);
  connect.show();
  ok &= Save(connect, folder, "connect");
  connect.reject();
  window.action("viewLog")->trigger();
  if (auto* log = window.findChild<LogWindow*>()) {
    QTest::qWait(200);
    ok &= Save(*log, folder, "log");
    log->close();
  } else {
    ok = false;
  }
  // The schema check's findings, from a customers rule given a column its table lacks.
  for (Rule& rule : app.document().project().rules) {
    if (rule.TabName != "customers" || rule.Fields.empty()) continue;
    ColumnRule extra = rule.Fields.front();
    extra.Name = "nickname";
    rule.Fields.push_back(extra);
  }
  int differences = -1;
  QObject::connect(&window, &CQuarnelDlg::schemaVerified, [&differences](int found) { differences = found; });
  window.action("verifySchema")->trigger();
  auto* schema = QTest::qWaitFor([&] { return differences >= 0; }, 30000) ? window.findChild<SchemaDialog*>() : nullptr;
  if (schema) {
    QTest::qWait(200);
    ok &= Save(*schema, folder, "schema-differences");
    schema->close();
  } else {
    ok = false;
  }
  window.close();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  const QDir folder(qEnvironmentVariable("QUARNEL_SHOTS", QStringLiteral(".")));
  // No tips dialog over the pictures.
  CSysReg tips("Software\\Orvanesoft\\Quarnel\\Tips", CSysReg::kUserStore);
  tips.Section("Tips", 1);
  tips.Save("StartUp", 0);
  tips.SaveSection();
  CQuarnelApp app;
  app.showWindow = [&folder](CQuarnelApp& started) { return Shoot(started, folder); };
  return app.InitInstance(argc, argv);
}
