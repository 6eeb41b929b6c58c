// Where the programs find the value library. The same search serves quarnel
// and plenkor, their command lines and their windows.
#pragma once

#include <filesystem>
#include <string>

// The places searched, in order; empty ones are passed over.
struct LibraryPlaces {
  std::string override;              // $QUARNEL_LIBRARY: one run, one library
  std::string setting;               // the ValuesLibrary setting
  std::filesystem::path programDir;  // library.db beside the program
  std::filesystem::path dataDir;     // the installed data folder
  std::filesystem::path buildDir;    // the build that made the program, uninstalled
};

// The first of: `override`, `setting`, programDir/library.db,
// dataDir/library.db, buildDir/library.db that is an existing file. When none
// is, the installed data folder's library.db (so that the message about it
// names where it was expected).
std::string FindValueLibrary(const LibraryPlaces& places);

// FindValueLibrary over this program's own places: $QUARNEL_LIBRARY, then
// `setting`, then the folder of the running program, the installed data folder
// and the build tree the program was built in.
std::string FindValueLibrary(const std::string& setting);
