#include "support/Prompt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

struct AskCase {
  PromptButtons buttons;
  PromptAnswer preselected;
  PromptAnswer expected;
};

class ConsoleAsk : public ::testing::TestWithParam<AskCase> {};

TEST_P(ConsoleAsk, TakesPreselectedOrSafestAnswer) {
  std::unique_ptr<std::FILE, FileCloser> out(std::tmpfile());
  ConsolePrompt prompt(out.get());
  const AskCase& c = GetParam();
  EXPECT_EQ(prompt.Ask("Warning!", "Current project is not saved.", PromptIcon::kQuestion, c.buttons,
                       c.preselected),
            c.expected);
  std::string text = Contents(out.get());
  EXPECT_EQ(text.rfind("Warning! [question]: Current project is not saved. -> ", 0), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleAsk,
    ::testing::Values(AskCase{PromptButtons::kYesNoCancel, PromptAnswer::kYes, PromptAnswer::kYes},
                      AskCase{PromptButtons::kYesNo, PromptAnswer::kNo, PromptAnswer::kNo},
                      AskCase{PromptButtons::kYesNo, PromptAnswer::kOk, PromptAnswer::kNo},
                      AskCase{PromptButtons::kOkCancel, PromptAnswer::kYes, PromptAnswer::kCancel},
                      AskCase{PromptButtons::kOk, PromptAnswer::kCancel, PromptAnswer::kOk}));

TEST(ConsolePrompt, MessageWritesCaptionAndText) {
  std::unique_ptr<std::FILE, FileCloser> out(std::tmpfile());
  ConsolePrompt prompt(out.get());
  prompt.Message("Warning!", "-@ switch without profile was specified.", PromptIcon::kInformation);
  EXPECT_EQ(Contents(out.get()), "Warning! [information]: -@ switch without profile was specified.\n");
}

TEST(CurrentPrompt, InstalledPromptIsUsedUntilReset) {
  struct Recorder : Prompt {
    int messages = 0;
    void Message(std::string_view, std::string_view, PromptIcon) override { ++messages; }
    PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer) override {
      return PromptAnswer::kYes;
    }
  } recorder;
  Prompt* console = &CurrentPrompt();
  SetCurrentPrompt(&recorder);
  CurrentPrompt().Message("c", "t", PromptIcon::kError);
  EXPECT_EQ(recorder.messages, 1);
  SetCurrentPrompt(nullptr);
  EXPECT_EQ(&CurrentPrompt(), console);
}

}  // namespace
