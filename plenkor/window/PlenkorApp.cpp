#include "plenkor/window/PlenkorApp.h"

#include <QApplication>
#include <QFileInfo>
#include <clocale>
#include <cstdio>

#include "GenTmpl/LibraryLocation.h"
#include "GenTmpl/VLibrary.h"
#include "plenkor/PlenkorSettings.h"
#include "plenkor/window/GuiPrompt.h"
#include "plenkor/window/PlenkorWindow.h"
#include "support/Log.h"
#include "support/Settings.h"
#include "support/WindowSystem.h"

int RunPlenkorWindow(int argc, char** argv) {
  if (!WindowSystemAvailable()) {
    std::fprintf(stderr,
                 "plenkor: no display to open the window on (DISPLAY is not set).\n"
                 "Use plenkor -c DEFINITION to write a file; see 'plenkor --help'.\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("plenkor");
  std::setlocale(LC_NUMERIC, "C");  // patterns and the engine read numbers the C way
  std::setlocale(LC_TIME, "");

  _Settings settings;
  RegisterPlenkorSettings(settings);
  CLog log;
  settings.SetProfileName(kPlenkorProfile, &log);
  settings.LoadData();
  log.Begin("Plenkor", &settings, "plenkor");
  log.InstallCrashHandlers();

  const std::string libraryPath = FindValueLibrary(std::string());
  VLibrary library;
  library.Open(libraryPath, log);  // a library that can not be opened is reported; the window works without it

  GuiPrompt prompt;
  SetCurrentPrompt(&prompt);
  PlenkorWindow window(PlenkorServices{settings, log, prompt, library.IsOpen() ? &library : nullptr, libraryPath});
  const QString start = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString::fromStdString(settings.getStr("PkLastFile"));
  if (!start.isEmpty() && (argc == 2 || QFileInfo(start).isFile())) window.OpenDefinition(start);
  window.show();
  if (!library.IsOpen()) prompt.Message("Value Library", library.LastError(), PromptIcon::kWarning);
  const int status = QApplication::exec();
  SetCurrentPrompt(nullptr);
  log.RemoveCrashHandlers();
  return status;
}
