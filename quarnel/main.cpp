// quarnel: fills database tables with generated test data.
#include "quarnel/QuarnelApp.h"

int main(int argc, char** argv) {
  CQuarnelApp app;
  return app.InitInstance(argc, argv);
}
