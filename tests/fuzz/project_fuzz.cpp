// libFuzzer target: any bytes as a project file, loaded the way the window and
// the command line load one, and as a named-generator file. A project that
// loads must save; what was saved must load again without a warning and save
// to the same bytes.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "support/Prompt.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// Messages of a failed or partial load are expected here; nobody reads them.
class SilentPrompt final : public Prompt {
 public:
  void Message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    return preselected;
  }
};

// A folder of its own for the files of one fuzzing process, in memory where
// the system offers it (saving syncs its files), removed at exit.
class WorkFolder {
 public:
  WorkFolder() {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string name = (base / "project_fuzz.XXXXXX").string();
    FuzzAssert(mkdtemp(name.data()) != nullptr, "a work folder", name);
    path_ = name;
  }
  ~WorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const WorkFolder folder;
  static SilentPrompt prompt;
  const std::string input = folder.File("input.qrp");
  const std::string first = folder.File("first.qrp");
  const std::string second = folder.File("second.qrp");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FuzzAssert(static_cast<bool>(out), "the input file is written", input);
  }

  std::vector<ColumnRule> generators;
  std::string error;
  ReadNamedGenerators(input, generators, &error);

  ProjectDocument loaded({}, &prompt);
  if (loaded.DoLoad(input, true) != 0) return 0;
  FuzzAssert(loaded.DoSave(first, false) == 0, "a loaded project saves", loaded.LastError());

  ProjectDocument reloaded({}, &prompt);
  FuzzAssert(reloaded.DoLoad(first, true) == 0 && reloaded.LastError().empty(),
             "a saved project loads in full", reloaded.LastError());
  FuzzAssert(reloaded.DoSave(second, false) == 0, "a reloaded project saves", reloaded.LastError());
  FuzzAssert(ReadAll(first) == ReadAll(second), "saving a loaded project changes nothing");
  return 0;
}
