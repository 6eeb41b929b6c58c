#include "plenkor/window/GuiPrompt.h"

#include <QMessageBox>

#include "plenkor/window/GuiThread.h"

namespace {

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation: return QMessageBox::Information;
    case PromptIcon::kWarning: return QMessageBox::Warning;
    case PromptIcon::kError: return QMessageBox::Critical;
    case PromptIcon::kQuestion: break;
  }
  return QMessageBox::Question;
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk: return QMessageBox::Ok;
    case PromptButtons::kOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::kYesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::kYesNoCancel: break;
  }
  return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

QMessageBox::StandardButton BoxButton(PromptAnswer answer) {
  switch (answer) {
    case PromptAnswer::kOk: return QMessageBox::Ok;
    case PromptAnswer::kCancel: return QMessageBox::Cancel;
    case PromptAnswer::kYes: return QMessageBox::Yes;
    case PromptAnswer::kNo: break;
  }
  return QMessageBox::No;
}

PromptAnswer AnswerOf(int button, PromptButtons offered) {
  switch (button) {
    case QMessageBox::Ok: return PromptAnswer::kOk;
    case QMessageBox::Yes: return PromptAnswer::kYes;
    case QMessageBox::No: return PromptAnswer::kNo;
    case QMessageBox::Cancel: return PromptAnswer::kCancel;
    default: break;
  }
  // Closed without a button (Escape with no Cancel): the most cautious answer.
  return offered == PromptButtons::kYesNo ? PromptAnswer::kNo
         : offered == PromptButtons::kOk  ? PromptAnswer::kOk
                                          : PromptAnswer::kCancel;
}

}  // namespace

void GuiPrompt::Message(std::string_view caption, std::string_view text, PromptIcon icon) {
  OnGuiThread([&] {
    QMessageBox box(BoxIcon(icon), FromCore(caption), FromCore(text), QMessageBox::Ok, parent_.data());
    return box.exec();
  });
}

PromptAnswer GuiPrompt::Ask(std::string_view caption, std::string_view text, PromptIcon icon,
                            PromptButtons buttons, PromptAnswer preselected) {
  return OnGuiThread([&] {
    QMessageBox box(BoxIcon(icon), FromCore(caption), FromCore(text), BoxButtons(buttons), parent_.data());
    box.setDefaultButton(BoxButton(preselected));
    return AnswerOf(box.exec(), buttons);
  });
}
