#include "support/SysReg.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "tests/common/TestEnv.h"

namespace {

class SysRegTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QUARNEL_HOME", dir.path().c_str(), 1); }
  void TearDown() override { testenv::UsePrivateEnvironment(); }
  testenv::TempDir dir;
};

class SysRegRoundTrip : public SysRegTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SysRegRoundTrip, TextSurvivesSaveAndReload) {
  const std::string path = dir.file("p.qrp");
  const std::string& text = GetParam();
  {
    CSysReg store(path, CSysReg::kDiskFile, 1);
    store.Section("Tab1");
    store.Save("before", "x");
    store.Save("value", text);
    store.Save(text.empty() ? "k" : text, "as key");
    store.Section(text);
    store.Save("inSection", 7);
    ASSERT_NE(store.SaveSection(), 0) << store.LastError();
  }
  CSysReg store(path, CSysReg::kDiskFile);
  ASSERT_EQ(store.LastStatus(), 0) << store.LastError();
  ASSERT_EQ(store.ReadSection("Tab1"), 1);
  std::string out;
  EXPECT_TRUE(store.Read("value", out, "default"));
  EXPECT_EQ(out, text);
  EXPECT_TRUE(store.Read(text.empty() ? "k" : text, out));
  EXPECT_EQ(out, "as key");
  ASSERT_EQ(store.ReadSection(text), 1);
  int n = 0;
  EXPECT_TRUE(store.Read("inSection", n, -1));
  EXPECT_EQ(n, 7);
}

INSTANTIATE_TEST_SUITE_P(
    AwkwardTexts, SysRegRoundTrip,
    ::testing::Values(std::string(), " lead and trail  ", "a=b=c", "line1\nline2\r\nline3\r",
                      "tab\there", "back\\slash\\n not an escape", "[not a section]", "#not a comment",
                      "\xC3\xA4\xE2\x82\xAC \xF0\x9F\x98\x80 non-ASCII", std::string("nul\0byte", 8),
                      "\x01\x7F control", "ends with backslash\\", std::string(200000, 'v'), "  ",
                      "]bracket["));

TEST_F(SysRegTest, NumbersEncodedAndNumberedKeys) {
  const std::string path = dir.file("n.ini");
  {
    CSysReg store(path, CSysReg::kDiskFile, 1);
    store.Section("S");
    store.Save("neg", -42);
    store.Save("big", std::uint64_t{18446744073709551615ull});
    store.Save("u", 4000000000u);
    store.Save("i64", std::int64_t{-9000000000});
    store.SaveByNo("Name", 3, "third");
    store.SaveByNo("Name", -1, "plain");
    store.SaveEncodedByNo("conPwd", 0, "s3cret pass;word\n\xC3\xA4");
    store.Save("text", "12abc");
    ASSERT_NE(store.SaveSection(), 0);
  }
  const std::string file = testenv::ReadFile(path);
  EXPECT_NE(file.find("Name3=third\n"), std::string::npos);
  EXPECT_NE(file.find("Name=plain\n"), std::string::npos);
  EXPECT_EQ(file.find("s3cret"), std::string::npos) << "password must not appear in clear";

  CSysReg store(path, CSysReg::kDiskFile);
  store.ReadSection("S");
  int i = 0;
  std::uint64_t big = 0;
  unsigned u = 0;
  std::int64_t i64 = 0;
  EXPECT_TRUE(store.Read("neg", i));
  EXPECT_EQ(i, -42);
  EXPECT_TRUE(store.Read("big", big));
  EXPECT_EQ(big, 18446744073709551615ull);
  EXPECT_TRUE(store.Read("u", u));
  EXPECT_EQ(u, 4000000000u);
  EXPECT_TRUE(store.Read("i64", i64));
  EXPECT_EQ(i64, -9000000000);
  // Wrong type or out of range gives the default.
  EXPECT_FALSE(store.Read("text", i, 5));
  EXPECT_EQ(i, 5);
  EXPECT_FALSE(store.Read("big", i, 6));
  EXPECT_EQ(i, 6);
  EXPECT_FALSE(store.Read("neg", u, 9u));
  EXPECT_EQ(u, 9u);
  std::string text;
  EXPECT_TRUE(store.ReadByNo("Name", 3, text, ""));
  EXPECT_EQ(text, "third");
  EXPECT_FALSE(store.ReadByNo("Name", 4, text, "dflt"));
  EXPECT_EQ(text, "dflt");
  EXPECT_TRUE(store.ReadDecodedByNo("conPwd", 0, text));
  EXPECT_EQ(text, "s3cret pass;word\n\xC3\xA4");
  // A value that is not an encoded text reads as the default.
  EXPECT_FALSE(store.ReadDecodedByNo("Name", 3, text, "none"));
  EXPECT_EQ(text, "none");
  EXPECT_FALSE(store.Read("missing", text, "d"));
  EXPECT_EQ(text, "d");
  EXPECT_EQ(store.ReadSection("NoSuchSection"), 0);
  EXPECT_FALSE(store.Read("neg", i, 11));
  EXPECT_EQ(i, 11);
}

TEST_F(SysRegTest, OrderKeptAndUnchangedStoreSavesIdenticalBytes) {
  const std::string path = dir.file("o.ini");
  {
    CSysReg store(path, CSysReg::kDiskFile, 1);
    store.Section("Tables");
    store.Save("b", 1);
    store.Save("a", 2);
    store.Section("Tab1");
    store.Save("z", "x");
    store.Section("Tables");
    store.Save("b", 3);  // replaced in place
    ASSERT_NE(store.SaveSection(), 0);
  }
  const std::string first = testenv::ReadFile(path);
  EXPECT_EQ(first, "# quarnel store 1\n[Tables]\nb=3\na=2\n[Tab1]\nz=x\n");
  CSysReg store(path, CSysReg::kDiskFile);
  ASSERT_NE(store.SaveSection(), 0);
  EXPECT_EQ(testenv::ReadFile(path), first);
  // Rewriting a section with the clear flag drops its stale keys.
  store.Section("Tables", 1);
  store.Save("a", 2);
  ASSERT_NE(store.SaveSection(), 0);
  EXPECT_EQ(testenv::ReadFile(path), "# quarnel store 1\n[Tables]\na=2\n[Tab1]\nz=x\n");
}

TEST_F(SysRegTest, FileModeAndUserStoreMapping) {
  CSysReg store("Software\\Orvanesoft\\Quarnel\\GlobalVars", CSysReg::kUserStore);
  EXPECT_EQ(store.LastStatus(), ENOENT);
  EXPECT_EQ(store.Path(), (dir.path() / "config" / "GlobalVars.ini").string());
  store.SetFileMode(0600);
  store.Save("NVars", 0);
  ASSERT_NE(store.SaveSection(), 0) << store.LastError();
  struct stat info{};
  ASSERT_EQ(stat(store.Path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // A key can never lead the file out of the configuration folder.
  EXPECT_EQ(CSysReg::UserStorePath("..\\..").substr(0, dir.path().string().size()), dir.path().string());
  EXPECT_EQ(std::filesystem::path(CSysReg::UserStorePath("a/../x y")).filename(), "x_y.ini");
}

TEST_F(SysRegTest, FailedSaveLeavesOldFile) {
  const std::string path = dir.file("keep.qrp");
  {
    CSysReg store(path, CSysReg::kDiskFile, 1);
    store.Save("k", "old");
    ASSERT_NE(store.SaveSection(), 0);
  }
  const std::string before = testenv::ReadFile(path);

  // The file size limit makes the write of the temporary file fail, as a full
  // disk would; root can not escape it as it can escape permissions.
  CSysReg store(path, CSysReg::kDiskFile);
  store.Save("k", std::string(1 << 20, 'n'));
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int status = 0;
  int ok = store.SaveSection(&status);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(status, EFBIG);
  EXPECT_FALSE(store.LastError().empty());
  EXPECT_EQ(testenv::ReadFile(path), before);
  // No temporary file is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);

  // A path below a regular file can not be written at all.
  CSysReg bad(dir.file("keep.qrp") + "/sub.qrp", CSysReg::kDiskFile, 1);
  bad.Save("k", 1);
  EXPECT_EQ(bad.SaveSection(&status), 0);
  EXPECT_NE(status, 0);
  EXPECT_EQ(testenv::ReadFile(path), before);
}

struct DamagedFile {
  const char* name;
  std::string content;
  bool expectError;
  int expectedA;  // value of key "a" in section "S" afterwards (default 99)
};

class SysRegDamaged : public SysRegTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(SysRegDamaged, GivesDefaultsAndAnError) {
  const DamagedFile& c = GetParam();
  const std::string path = dir.file("damaged.qrp");
  testenv::WriteFile(path, c.content);
  CSysReg store(path, CSysReg::kDiskFile);
  EXPECT_EQ(store.LastStatus() != 0, c.expectError) << store.LastError();
  EXPECT_EQ(store.LastError().empty(), !c.expectError);
  store.ReadSection("S");
  int a = 0;
  store.Read("a", a, 99);
  EXPECT_EQ(a, c.expectedA);
  std::string b;
  store.Read("b", b, "dflt");
  if (c.expectedA == 99) {
    EXPECT_EQ(b, "dflt");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SysRegDamaged,
    ::testing::Values(
        DamagedFile{"Good", "# quarnel store 1\n[S]\na=1\n", false, 1},
        DamagedFile{"CrLfEdited", "# quarnel store 1\r\n[S]\r\na=2\r\n", false, 2},
        DamagedFile{"Empty", "", true, 99},
        DamagedFile{"ForeignIni", "[S]\na=1\n", true, 99},
        DamagedFile{"Binary", std::string("\x7F" "ELF\0\x01\x02\xFF\xFE[S]\na=1\n", 17), true, 99},
        DamagedFile{"TruncatedValue", "# quarnel store 1\n[S]\na=3\nb=half a val", true, 3},
        DamagedFile{"TruncatedNumber", "# quarnel store 1\n[S]\na=12", true, 99},
        DamagedFile{"BadLinesSkipped", "# quarnel store 1\n[S\nnoequals\nx=\\q\n[S]\na=4\nc=\x01\n", true, 4},
        DamagedFile{"NulInside", std::string("# quarnel store 1\n[S]\na=5\nb=\0\n", 30), true, 5},
        DamagedFile{"BadHexEscape", "# quarnel store 1\n[S]\na=6\nb=\\x4\n", true, 6},
        DamagedFile{"OnlySignature", "# quarnel store 1", true, 99}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SysRegTest, MissingAndUnreadableFiles) {
  CSysReg missing(dir.file("none.qrp"), CSysReg::kDiskFile);
  EXPECT_EQ(missing.LastStatus(), ENOENT);
  std::string out;
  EXPECT_FALSE(missing.Read("a", out, "d"));
  CSysReg folder(dir.path().string(), CSysReg::kDiskFile);
  EXPECT_EQ(folder.LastStatus(), CSysReg::kBadFormat);
  CSysReg noName("", CSysReg::kDiskFile);
  EXPECT_EQ(noName.LastStatus(), CSysReg::kNotOpen);
  EXPECT_EQ(noName.SaveSection(), 0);

  // Larger than the cap: refused without reading it.
  const std::string big = dir.file("big.qrp");
  testenv::WriteFile(big, "# quarnel store 1\n");
  std::filesystem::resize_file(big, CSysReg::kMaxFileSize + 1);  // sparse, costs no disk
  CSysReg huge(big, CSysReg::kDiskFile);
  EXPECT_EQ(huge.LastStatus(), CSysReg::kTooLarge);
}

}  // namespace
