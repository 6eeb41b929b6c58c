// The engine's messages and questions as message boxes. Thread-safe: a call
// from the run's worker waits while the interface thread shows the box.
#pragma once

#include <QPointer>
#include <QWidget>

#include "support/Prompt.h"

class GuiPrompt final : public Prompt {
 public:
  // `parent` may be null or go away before the prompt; boxes then have no parent.
  explicit GuiPrompt(QWidget* parent = nullptr) : parent_(parent) {}
  void Message(std::string_view caption, std::string_view text, PromptIcon icon) override;
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon icon, PromptButtons buttons,
                   PromptAnswer preselected) override;

 private:
  QPointer<QWidget> parent_;
};

// Text of the core (UTF-8) as a QString.
inline QString FromCore(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
