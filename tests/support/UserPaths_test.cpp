#include "support/UserPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/common/TestEnv.h"

namespace {

// Sets an environment variable for the life of the object.
class EnvVar {
 public:
  EnvVar(const char* name, const std::string* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvVar() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(UserPaths, OverrideThenXdgThenHome) {
  testenv::TempDir dir;
  std::error_code ec;
  {
    std::string home = dir.path().string();
    EnvVar override("QUARNEL_HOME", &home);
    EXPECT_EQ(UserConfigDir(ec), dir.path() / "config");
    EXPECT_FALSE(ec);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "config"));
    EXPECT_EQ(UserStateDir(ec), dir.path() / "state");
  }
  {
    std::string xdg = (dir.path() / "xdg").string();
    std::string relative = "relative/dir";
    EnvVar noOverride("QUARNEL_HOME", nullptr);
    EnvVar config("XDG_CONFIG_HOME", &xdg);
    EnvVar state("XDG_STATE_HOME", &relative);
    std::string home = (dir.path() / "home").string();
    EnvVar homeVar("HOME", &home);
    EXPECT_EQ(UserConfigDir(ec), dir.path() / "xdg" / "quarnel");
    // Relative XDG paths are invalid and fall back to the home folder.
    EXPECT_EQ(UserStateDir(ec), dir.path() / "home" / ".local/state" / "quarnel");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "home" / ".local/state" / "quarnel"));
  }
}

TEST(UserPaths, UncreatableFolderReportsError) {
  testenv::TempDir dir;
  testenv::WriteFile(dir.path() / "file", "x");
  std::string home = (dir.path() / "file").string();
  EnvVar override("QUARNEL_HOME", &home);
  std::error_code ec;
  UserConfigDir(ec);
  EXPECT_TRUE(ec);
}

}  // namespace
