// Prompt: how the core shows messages and asks questions without knowing
// whether a window or a terminal is in front of the user. The GUI installs
// its own implementation at start; until then, and in console mode, the
// console prompt writes to standard error and takes the preselected answer,
// so an unattended run never waits for input.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

enum class PromptIcon { kInformation, kWarning, kError, kQuestion };
enum class PromptButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual void Message(std::string_view caption, std::string_view text, PromptIcon icon) = 0;
  // `preselected` is the default button; it should be one of `buttons`.
  virtual PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon icon,
                           PromptButtons buttons, PromptAnswer preselected) = 0;
  // The error dialog of a failing SQL statement: the driver's error text and
  // the statement, OK to go on and Cancel to stop the run, and a check box
  // "do not show again" whose state goes to `dontShowAgain`. The default asks
  // through Ask under "Error" with OK preselected and leaves the box clear,
  // which is also the console's answer.
  virtual PromptAnswer ErrorDialog(std::string_view errorText, std::string_view statement,
                                   bool& dontShowAgain);
  // A progress window without a cancel button: the first call shows it
  // titled `title`, later calls update its status line and percentage, and
  // ProgressDone closes it. Nothing is shown by default, which is also what
  // console mode wants.
  virtual void Progress(std::string_view /*title*/, std::string_view /*status*/, int /*percent*/) {}
  virtual void ProgressDone() {}
};

class ConsolePrompt final : public Prompt {
 public:
  // REQUIRES: `out` stays open for the life of the prompt (not owned).
  explicit ConsolePrompt(std::FILE* out = stderr) : out_(out) {}
  void Message(std::string_view caption, std::string_view text, PromptIcon icon) override;
  // Answers with `preselected` when the buttons offer it, else with the most
  // cautious answer they offer (Cancel, then No, then OK).
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon icon,
                   PromptButtons buttons, PromptAnswer preselected) override;

 private:
  void Write(std::string_view caption, std::string_view text, PromptIcon icon,
             std::string_view answer);
  std::FILE* out_;
  std::mutex mutex_;
};

// The prompt in use; the console prompt until SetCurrentPrompt installs another.
Prompt& CurrentPrompt();
// REQUIRES: `prompt` outlives its use; nullptr goes back to the console prompt.
void SetCurrentPrompt(Prompt* prompt);
