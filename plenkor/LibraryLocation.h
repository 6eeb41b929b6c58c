// Where plenkor finds the value library: beside the program when a library
// is there (a build tree, or a copied program folder), else in the installed
// data folder. The command line and the window read it the same way.
#pragma once

#include <string>

std::string PlenkorLibraryPath();
