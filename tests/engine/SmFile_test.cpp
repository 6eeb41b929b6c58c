#include "engine/SmFile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/EngineTestEnv.h"

using namespace enginetest;

class SmFileTest : public testing::TestWithParam<int> {};

TEST_P(SmFileTest, KeepsOrderAcrossBuffersAndLongTexts) {
  testenv::TempDir dir;
  const std::string path = dir.file("out.txt");
  std::string expected;
  {
    CSmFile file;
    ASSERT_EQ(file.Open(path, 1, nullptr, 0, GetParam()), 0);
    for (int i = 0; i < 5000; ++i) {
      const std::string line = "line " + std::to_string(i) + "\r\n";
      file.Write(line);
      expected += line;
    }
    // Longer than the buffer: written whole, after what is buffered.
    const std::string big(CSmFile::kBufferSize * 2 + 17, 'x');
    file.Write(big);
    expected += big;
    file.Write("tail");
    expected += "tail";
  }
  EXPECT_EQ(testenv::ReadFile(path), expected);
}

TEST_P(SmFileTest, AppendsAtTheEndOrTruncates) {
  testenv::TempDir dir;
  const std::string path = dir.file("out.txt");
  testenv::WriteFile(path, "old\n");
  CSmFile file;
  ASSERT_EQ(file.Open(path, 1, nullptr, 1, GetParam()), 0);
  file.SeekEnd();
  file.Write("new\n");
  file.Close();
  EXPECT_EQ(testenv::ReadFile(path), "old\nnew\n");
  ASSERT_EQ(file.Open(path, 1, nullptr, 0, GetParam()), 0);
  file.Write("only\n");
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(testenv::ReadFile(path), "only\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, SmFileTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int>& info) { return info.param ? "Overlapped" : "Plain"; });

TEST(SmFileOpenTest, FailureIsLoggedAndReturned) {
  TestLog log;
  CSmFile file;
  const int status = file.Open("/nonexistent/quarnel/out.txt", 1, &log.log(), 1, 0);
  EXPECT_NE(status, 0);
  EXPECT_FALSE(file.IsOpen());
  file.Write("ignored");  // nothing happens on a closed file
  EXPECT_NE(log.Text().find("Could not Open/Create TXT file '/nonexistent/quarnel/out.txt', error [" +
                            std::to_string(status) + ",No such file or directory]"),
            std::string::npos)
      << log.Text();
}

TEST(SmFileOverlappedTest, AppendsWithoutSeekEnd) {
  testenv::TempDir dir;
  const std::string path = dir.file("out.txt");
  testenv::WriteFile(path, "old\n");
  {
    CSmFile file;
    ASSERT_EQ(file.Open(path, 1, nullptr, 1, 1), 0);
    file.Write("new\n");
  }
  EXPECT_EQ(testenv::ReadFile(path), "old\nnew\n");
}
