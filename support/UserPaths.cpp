#include "support/UserPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

fs::path HomeDir() {
  if (const char* home = NonEmptyEnv("HOME")) return home;
  // getpwuid_r keeps this safe when another thread also asks for user entries.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir) {
    return found->pw_dir;
  }
  // No home at all (a bare service account): keep the files somewhere writable.
  std::error_code ec;
  return fs::temp_directory_path(ec);
}

// Resolves <override>/<sub>, else $<xdgVar>/quarnel, else ~/<fallback>/quarnel.
fs::path UserDir(const char* sub, const char* xdgVar, const char* fallback, std::error_code& ec) {
  fs::path dir;
  if (const char* root = NonEmptyEnv("QUARNEL_HOME")) {
    dir = fs::path(root) / sub;
  } else if (const char* xdg = NonEmptyEnv(xdgVar); xdg && fs::path(xdg).is_absolute()) {
    // Relative XDG values are invalid by the base-directory rules and ignored.
    dir = fs::path(xdg) / "quarnel";
  } else {
    dir = HomeDir() / fallback / "quarnel";
  }
  ec.clear();
  fs::create_directories(dir, ec);
  return dir;
}

}  // namespace

fs::path UserConfigDir(std::error_code& ec) {
  return UserDir("config", "XDG_CONFIG_HOME", ".config", ec);
}

fs::path UserStateDir(std::error_code& ec) {
  return UserDir("state", "XDG_STATE_HOME", ".local/state", ec);
}
