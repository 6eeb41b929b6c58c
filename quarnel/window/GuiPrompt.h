// GuiPrompt: the engine's messages and questions as Qt message boxes. Any
// thread may call it; the box is shown on the interface thread, owned by the
// main window, while the calling thread waits for the answer.
#pragma once

#include "support/Prompt.h"

class QWidget;

class GuiPrompt final : public Prompt {
 public:
  // REQUIRES: `parent` outlives the prompt (may be null).
  explicit GuiPrompt(QWidget* parent) : parent_(parent) {}
  void Message(std::string_view caption, std::string_view text, PromptIcon icon) override;
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon icon, PromptButtons buttons,
                   PromptAnswer preselected) override;
  PromptAnswer ErrorDialog(std::string_view errorText, std::string_view statement, bool& dontShowAgain) override;

 private:
  QWidget* parent_;
};

// While it lives, the current prompt is `prompt`; the one before comes back
// afterwards.
class ScopedPrompt {
 public:
  explicit ScopedPrompt(Prompt& prompt);
  ~ScopedPrompt();
  ScopedPrompt(const ScopedPrompt&) = delete;
  ScopedPrompt& operator=(const ScopedPrompt&) = delete;

 private:
  Prompt* previous_;
};
