#include "GenTmpl/LibraryLocation.h"

#include <cstdlib>

namespace fs = std::filesystem;

std::string FindValueLibrary(const LibraryPlaces& places) {
  std::error_code ec;
  auto exists = [&ec](const fs::path& path) { return !path.empty() && fs::is_regular_file(path, ec); };
  if (exists(places.override)) return places.override;
  if (exists(places.setting)) return places.setting;
  for (const fs::path* dir : {&places.programDir, &places.dataDir, &places.buildDir}) {
    if (dir->empty()) continue;
    const fs::path candidate = *dir / "library.db";
    if (exists(candidate)) return candidate.string();
  }
  return (places.dataDir / "library.db").string();
}

std::string FindValueLibrary(const std::string& setting) {
  LibraryPlaces places;
  if (const char* value = std::getenv("QUARNEL_LIBRARY")) places.override = value;
  places.setting = setting;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) places.programDir = self.parent_path();
  places.dataDir = QUARNEL_DATA_DIR;
  places.buildDir = QUARNEL_BUILD_DIR;
  return FindValueLibrary(places);
}
