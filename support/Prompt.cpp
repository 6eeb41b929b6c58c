#include "support/Prompt.h"

#include <atomic>
#include <string>

namespace {

ConsolePrompt& DefaultPrompt() {
  static ConsolePrompt prompt;
  return prompt;
}

std::atomic<Prompt*> gCurrent{nullptr};

const char* IconLabel(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kWarning: return "warning";
    case PromptIcon::kError: return "error";
    case PromptIcon::kQuestion: return "question";
    case PromptIcon::kInformation: break;
  }
  return "information";
}

const char* AnswerLabel(PromptAnswer answer) {
  switch (answer) {
    case PromptAnswer::kCancel: return "Cancel";
    case PromptAnswer::kYes: return "Yes";
    case PromptAnswer::kNo: return "No";
    case PromptAnswer::kOk: break;
  }
  return "OK";
}

bool Offers(PromptButtons buttons, PromptAnswer answer) {
  switch (buttons) {
    case PromptButtons::kOk: return answer == PromptAnswer::kOk;
    case PromptButtons::kOkCancel: return answer == PromptAnswer::kOk || answer == PromptAnswer::kCancel;
    case PromptButtons::kYesNo: return answer == PromptAnswer::kYes || answer == PromptAnswer::kNo;
    case PromptButtons::kYesNoCancel: return answer != PromptAnswer::kOk;
  }
  return false;
}

}  // namespace

void ConsolePrompt::Write(std::string_view caption, std::string_view text, PromptIcon icon,
                          std::string_view answer) {
  std::string out;
  out.reserve(caption.size() + text.size() + 48);
  out += caption;
  out += " [";
  out += IconLabel(icon);
  out += "]: ";
  out += text;
  if (!answer.empty()) {
    out += " -> ";
    out += answer;
  }
  out += '\n';
  std::lock_guard<std::mutex> lock(mutex_);
  std::fwrite(out.data(), 1, out.size(), out_);
  std::fflush(out_);
}

void ConsolePrompt::Message(std::string_view caption, std::string_view text, PromptIcon icon) {
  Write(caption, text, icon, {});
}

PromptAnswer ConsolePrompt::Ask(std::string_view caption, std::string_view text, PromptIcon icon,
                                PromptButtons buttons, PromptAnswer preselected) {
  PromptAnswer answer = preselected;
  if (!Offers(buttons, answer)) {
    for (PromptAnswer safe : {PromptAnswer::kCancel, PromptAnswer::kNo, PromptAnswer::kOk}) {
      if (Offers(buttons, safe)) {
        answer = safe;
        break;
      }
    }
  }
  Write(caption, text, icon, AnswerLabel(answer));
  return answer;
}

PromptAnswer Prompt::ErrorDialog(std::string_view errorText, std::string_view statement,
                                 bool& dontShowAgain) {
  dontShowAgain = false;
  std::string text;
  text.reserve(errorText.size() + statement.size() + 4);
  text += errorText;
  text += "\r\n\r\n";
  text += statement;
  return Ask("Error", text, PromptIcon::kError, PromptButtons::kOkCancel, PromptAnswer::kOk);
}

Prompt& CurrentPrompt() {
  Prompt* prompt = gCurrent.load(std::memory_order_acquire);
  return prompt ? *prompt : DefaultPrompt();
}

void SetCurrentPrompt(Prompt* prompt) { gCurrent.store(prompt, std::memory_order_release); }
