#include "quarnel/window/GuiPrompt.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "quarnel/window/GuiThread.h"

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation: return QMessageBox::Information;
    case PromptIcon::kWarning: return QMessageBox::Warning;
    case PromptIcon::kError: return QMessageBox::Critical;
    case PromptIcon::kQuestion: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk: return QMessageBox::Ok;
    case PromptButtons::kOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::kYesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::kYesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton BoxButton(PromptAnswer answer) {
  switch (answer) {
    case PromptAnswer::kOk: return QMessageBox::Ok;
    case PromptAnswer::kCancel: return QMessageBox::Cancel;
    case PromptAnswer::kYes: return QMessageBox::Yes;
    case PromptAnswer::kNo: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

// A box closed without a button (Escape, the window's close button) counts as
// the most cautious answer it offers.
PromptAnswer AnswerOf(int button, PromptButtons buttons) {
  switch (button) {
    case QMessageBox::Ok: return PromptAnswer::kOk;
    case QMessageBox::Yes: return PromptAnswer::kYes;
    case QMessageBox::No: return PromptAnswer::kNo;
    case QMessageBox::Cancel: return PromptAnswer::kCancel;
    default: break;
  }
  if (buttons == PromptButtons::kYesNo) return PromptAnswer::kNo;
  return buttons == PromptButtons::kOk ? PromptAnswer::kOk : PromptAnswer::kCancel;
}

}  // namespace

void GuiPrompt::Message(std::string_view caption, std::string_view text, PromptIcon icon) {
  CallOnGuiThread([&] {
    QMessageBox box(BoxIcon(icon), Text(caption), Text(text), QMessageBox::Ok, parent_);
    box.exec();
  });
}

PromptAnswer GuiPrompt::Ask(std::string_view caption, std::string_view text, PromptIcon icon, PromptButtons buttons,
                            PromptAnswer preselected) {
  PromptAnswer answer = PromptAnswer::kCancel;
  CallOnGuiThread([&] {
    QMessageBox box(BoxIcon(icon), Text(caption), Text(text), BoxButtons(buttons), parent_);
    if (QAbstractButton* button = box.button(BoxButton(preselected))) box.setDefaultButton(static_cast<QPushButton*>(button));
    answer = AnswerOf(box.exec(), buttons);
  });
  return answer;
}

PromptAnswer GuiPrompt::ErrorDialog(std::string_view errorText, std::string_view statement, bool& dontShowAgain) {
  PromptAnswer answer = PromptAnswer::kOk;
  CallOnGuiThread([&] {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), Text(errorText),
                    QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setInformativeText(QStringLiteral("OK continues the run, Cancel stops it."));
    box.setDetailedText(Text(statement));
    box.setDefaultButton(QMessageBox::Ok);
    auto* check = new QCheckBox(QStringLiteral("&Do not show this message again"), &box);
    box.setCheckBox(check);
    answer = AnswerOf(box.exec(), PromptButtons::kOkCancel);
    dontShowAgain = check->isChecked();
  });
  return answer;
}

ScopedPrompt::ScopedPrompt(Prompt& prompt) : previous_(&CurrentPrompt()) { SetCurrentPrompt(&prompt); }

ScopedPrompt::~ScopedPrompt() { SetCurrentPrompt(previous_); }
