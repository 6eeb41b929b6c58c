#include "quarnel/window/WindowMain.h"

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <memory>

#include "quarnel/window/QuarnelDlg.h"
#include "support/WindowSystem.h"

int ShowQuarnelWindow(CQuarnelApp& app) {
  // Qt keeps references to argc and argv for the life of the application.
  static int argc = 1;
  static char name[] = "quarnel";
  static char* argv[] = {name, nullptr};
  std::unique_ptr<QApplication> own;
  if (!QApplication::instance() && !WindowSystemAvailable()) {
    std::fprintf(stderr,
                 "quarnel: no display to open the window on (DISPLAY is not set).\n"
                 "Use console mode (-c) to run a project; see 'quarnel --help'.\n");
    return 2;
  }
  if (!QApplication::instance()) own = std::make_unique<QApplication>(argc, argv);
  // QApplication takes the user's locale; generated numbers and dates go into
  // SQL text and must keep the C notation ("1.5", not "1,5").
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Quarnel"));
  QApplication::setDesktopFileName(QStringLiteral("quarnel"));
  CQuarnelDlg window(app);
  window.show();
  return QApplication::exec();
}
