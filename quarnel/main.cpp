// quarnel: fills database tables with generated test data.
#include "quarnel/QuarnelApp.h"
#include "quarnel/window/WindowMain.h"

int main(int argc, char** argv) {
  CQuarnelApp app;
  app.showWindow = ShowQuarnelWindow;
  return app.InitInstance(argc, argv);
}
