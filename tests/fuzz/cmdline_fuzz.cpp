// libFuzzer target: quarnel's command line, parsed only (nothing is run).
// Fields (FuzzInput): one whole command line, then the arguments of main.
// Arguments that are neither our "--" options nor hold double quotes (which
// the joined line would read as quoting) must have the effect each has on its
// own: joining them into one line for the line parser keeps every switch and
// profile path intact, also with blanks inside.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "quarnel/CommandLine.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

class CountingPrompt final : public Prompt {
 public:
  void Message(std::string_view, std::string_view, PromptIcon) override { ++messages; }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    return preselected;
  }
  int messages = 0;
};

bool IsFile(std::string_view path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

// The arguments for which the property above holds: a single argument, or
// the joined line, that names an existing file is the project as it stands.
bool Plain(const std::vector<std::string>& args, const std::string& line) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.find('"') != std::string::npos || arg.starts_with("--") || IsFile(arg)) return false;
  }
  return !IsFile(line);
}

bool SameSwitches(const AppState& a, const AppState& b) {
  return a.console == b.console && a.runAtStart == b.runAtStart &&
         a.runFromConsolePage == b.runFromConsolePage && a.quitAfterRun == b.quitAfterRun &&
         a.performance == b.performance && a.profile == b.profile && a.projectFile == b.projectFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CountingPrompt prompt;
  static CLog log;  // never begun: entries are only formatted
  SetCurrentPrompt(&prompt);
  FuzzInput input(data, size);

  AppState fromLine;
  ParseCommandLine(input.Text(), fromLine, &log);

  // main's arguments end at their first NUL.
  std::vector<std::string> args{"quarnel"};
  while (!input.Done()) {
    const std::string_view arg = input.Text();
    args.emplace_back(arg.substr(0, arg.find('\0')));
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  prompt.messages = 0;
  AppState joined;
  ParseArguments(static_cast<int>(argv.size()), argv.data(), joined, &log);
  const int joinedMessages = prompt.messages;

  const std::string line = JoinArguments(static_cast<int>(argv.size()), argv.data());
  if (Plain(args, line)) {
    prompt.messages = 0;
    AppState separate;
    for (std::size_t i = 1; i < args.size(); ++i) ParseArgument(args[i], separate, &log);
    FuzzAssert(SameSwitches(joined, separate) && joinedMessages == prompt.messages,
               "joined arguments act as each on its own", line);
  }
  SetCurrentPrompt(nullptr);
  return 0;
}
