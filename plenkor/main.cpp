// plenkor: writes a flat file of generated rows from a definition.
#include <cstdio>

#include "plenkor/CommandLine.h"

int main(int argc, char** argv) { return PlenkorMain(argc, argv, stdout, stderr); }
