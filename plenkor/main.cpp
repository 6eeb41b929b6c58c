// plenkor: writes a flat file of generated rows from a definition. With -c,
// --preview or --help it works without a window (and without a display);
// otherwise it opens its window, on the definition file given as its only
// argument when there is one.
#include <cstdio>

#include "plenkor/CommandLine.h"
#include "plenkor/window/PlenkorApp.h"

namespace {

bool WantsWindow(int argc, char** argv) { return argc == 1 || (argc == 2 && argv[1][0] != '-'); }

}  // namespace

int main(int argc, char** argv) {
  if (!WantsWindow(argc, argv)) return PlenkorMain(argc, argv, stdout, stderr);
  return RunPlenkorWindow(argc, argv);
}
