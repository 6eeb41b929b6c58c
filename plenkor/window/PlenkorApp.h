// Starts plenkor with its window: the settings of its profile, the log, the
// value library and the main window, on the definition named by the only
// argument or else the one used last.
#pragma once

int RunPlenkorWindow(int argc, char** argv);
