#include "plenkor/LibraryLocation.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string PlenkorLibraryPath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path beside = self.parent_path() / "library.db";
    if (fs::is_regular_file(beside, ec)) return beside.string();
  }
  return (fs::path(QUARNEL_DATA_DIR) / "library.db").string();
}
