#include "quarnel/window/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>
#include <initializer_list>

#include "quarnel/ProgramSettings.h"
#include "quarnel/window/InputHistory.h"

// One key's control: how it is shown and what it stores.
struct SettingControl {
  enum Kind {
    kCheck,    // int flag
    kNumber,   // int
    kText,     // text
    kChoice,   // int key: index of the option; text key: the option's text
    kHistory,  // text with offered options and the box's history
  };
  int group;
  const char* key;
  const char* label;
  Kind kind;
  std::initializer_list<const char*> options = {};
};

namespace {

using C = SettingControl;

const char* const kPageTitles[] = {"General Settings", "User Interface Settings", "Default Rule and Project Properties",
                                   "Project Execution Settings", "Date and Time Settings"};

const SettingControl kControls[] = {
    {0, "LogLevel", "Log &level :", C::kChoice, {"Core (default)", "Full log", "None (disable)"}},
    {0, "LogFilePath", "&Log location :", C::kText},
    {0, "LogViewer", "Log &viewer :", C::kText},
    {0, "TruncateBigLog", "&Truncate a big log at the program start", C::kCheck},
    {0, "TruncateSize", "Largest log size (&MB) :", C::kNumber},
    {0, "TruncateLog", "Truncate the log before each project &run", C::kCheck},
    {0, "SchemaCache", "&Cache the table names of the connected database", C::kCheck},
    {0, "UseConnect", "Ask for a &connection at the program start", C::kCheck},
    {0, "ValuesLibrary", "Custom value l&ibrary (next start) :", C::kText},

    {1, "RestoreConn", "&Restore last connection at the program start", C::kCheck},
    {1, "AskConnect", "&Ask for database connection if not present", C::kCheck},
    {1, "LoadLastFile", "&Load recent project at the program start", C::kCheck},
    {1, "Welcome", "Show the &welcome page at the program start", C::kCheck},
    {1, "ViewsInData", "Show &Views in the Data Rule", C::kCheck},
    {1, "SynsInData", "Show &Synonyms in the Data Rule", C::kCheck},
    {1, "ShowViews", "Show views in the lin&ked table list", C::kCheck},
    {1, "SmartInput", "Enable SQL console &intellisense", C::kCheck},
    {1, "UseHotKeys", "&Hotkeys are Enabled", C::kCheck},
    {1, "ConsoleShowsDisabled", "Execution console shows &disabled rules", C::kCheck},
    {1, "ConsoleShowsRest", "Execution console shows r&est execution time", C::kCheck},
    {1, "ConsoleShowsPending", "Execution console shows &pending rules", C::kCheck},
    {1, "ShowTransSize", "Show &transaction size in the rule list", C::kCheck},

    {2, "Rows", "&Rows to generate :", C::kText},
    {2, "PerTran", "Records per &transaction (0 autocommit) :", C::kText},
    {2, "NullFactor", "&NULL fill factor (%) :", C::kText},
    {2, "StringLen", "String length &from :", C::kNumber},
    {2, "StringLenTo", "String length t&o :", C::kNumber},
    {2, "DefDigits", "Decimal &places :", C::kNumber},
    {2, "CharSet", "Special &character set :", C::kText},
    {2, "DefRuleType", "&Insert mode of a new rule :", C::kChoice,
     {"Append data", "Replace (empty table before fill)", "Update existing data rows", "Scramble"}},
    {2, "DefScrMode", "Scramble &mode of new columns :", C::kChoice, {"Scramble all columns", "Scramble no columns"}},
    {2, "ScrSuffix", "Scramble target &suffix :", C::kText},
    {2, "IgnoreTimeStamps", "Give timestamp columns the Ign&ore fill method", C::kCheck},
    {2, "CreateBak", "Keep a .&bak copy of an overwritten project file", C::kCheck},
    {2, "SingleCPU", "Single-CPU mode", C::kCheck},

    {3, "FromLinked", "Most values from a &linked table :", C::kNumber},
    {3, "MaxBlobSize", "Largest generated &BLOB (bytes) :", C::kNumber},
    {3, "UniqueTryCounter", "Attempts to find a &unique value :", C::kNumber},
    {3, "Repeatable", "&Repeatable mode", C::kCheck},
    {3, "InitRepeat", "&Initial seed :", C::kNumber},
    {3, "RemoveComma", "Remove the thousands separator from &numbers", C::kCheck},
    {3, "RecreateScrambleTab", "Re&create the target table in scramble mode", C::kCheck},
    {3, "QChars", "Identifier &quotation symbols :", C::kText},
    {3, "QCharData", "Quotation symbol for &data :", C::kText},
    {3, "UnicodePrefix", "Prefix Unicode strings with N", C::kCheck},
    {3, "VerifySchema", "&Verify the database schema before a run", C::kCheck},
    {3, "SaveProject", "&Save the project before a run", C::kCheck},
    {3, "SingleTransaction", "One &transaction for the whole run", C::kCheck},
    {3, "PerformanceDefault", "Start in &performance mode", C::kCheck},
    {3, "ReportInterval", "Report &interval (rows) :", C::kNumber},
    {3, "UseBULK", "Use &bulk-insert statements", C::kCheck},

    {4, "DateFormat", "&Date format :", C::kHistory,
     {"YYYY-MM-DD", "MM.DD.YYYY", "DD.MM.YYYY", "MM.DD.YY", "MM/DD/YYYY", "MM/DD/YY", "MM-DD-YYYY", "YYYY.MM.DD",
      "MM-DD-YY", "DD-MON-YYYY", "DD-mon-YYYY"}},
    {4, "TimeFormat", "&Time format :", C::kHistory,
     {"HH:MM PM", "HH:MM:SS", "HH:MM:SS PM", "HH:MM:SS.sss", "HH:MM:SS.sss PM", "HH:MM:SS.sss TZ",
      "HH:MM:SS.sss PM TZ", "HH:MM"}},
    {4, "DateTimeSep", "Date and time &separator :", C::kChoice, {"Space", "No separator"}},
    {4, "YearFrom", "Years &from :", C::kNumber},
    {4, "YearTo", "Years t&o :", C::kNumber},
    {4, "DateConversion", "Date &conversion :", C::kHistory},
};

QString Qs(const std::string& text) { return QString::fromStdString(text); }

// The label of a check box is the box's own text; the others get a form label.
QWidget* MakeControl(const SettingControl& entry, QWidget* parent) {
  QWidget* control = nullptr;
  switch (entry.kind) {
    case C::kCheck:
      control = new QCheckBox(QString::fromUtf8(entry.label), parent);
      break;
    case C::kNumber: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(0, INT_MAX);
      control = spin;
      break;
    }
    case C::kText:
      control = new QLineEdit(parent);
      break;
    case C::kChoice:
    case C::kHistory: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(entry.kind == C::kHistory);
      if (entry.kind == C::kHistory) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const std::string& earlier : InputHistory::Load(entry.key)) combo->addItem(Qs(earlier));
      }
      for (const char* option : entry.options) {
        if (combo->findText(QString::fromUtf8(option)) < 0) combo->addItem(QString::fromUtf8(option));
      }
      control = combo;
      break;
    }
  }
  control->setObjectName(QString::fromUtf8(entry.key));
  return control;
}

}  // namespace

SettingsDialog::SettingsDialog(ProgramSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral("Settings"));
  AddPages();
  settings_.SetPageEditsHandler([this] { TakeEdits(); });
}

SettingsDialog::~SettingsDialog() { settings_.SetPageEditsHandler({}); }

void SettingsDialog::AddPages() {
  auto* tabs = new QTabWidget(this);
  for (int group = 0; group < static_cast<int>(std::size(kPageTitles)); ++group) {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    for (const SettingControl& entry : kControls) {
      if (entry.group != group) continue;
      QWidget* control = MakeControl(entry, page);
      if (entry.kind == C::kCheck) {
        form->addRow(control);
      } else {
        form->addRow(QString::fromUtf8(entry.label), control);
      }
      controls_.emplace_back(&entry, control);
      Show(entry, control);
    }
    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    tabs->addTab(scroll, QString::fromUtf8(kPageTitles[group]));
  }
  // The single-CPU mode is always on; saving the page stores it so.
  if (auto* single = qobject_cast<QCheckBox*>(control("SingleCPU"))) {
    single->setChecked(true);
    single->setEnabled(false);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Apply();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { Apply(); });
  resize(780, 540);
}

QWidget* SettingsDialog::control(const char* key) const {
  for (const auto& [entry, widget] : controls_) {
    if (std::string_view(entry->key) == key) return widget;
  }
  return nullptr;
}

void SettingsDialog::Show(const SettingControl& entry, QWidget* control) const {
  const std::string& text = settings_.GetSettingStr(entry.group, entry.key);
  const int number = settings_.GetSettingInt(entry.group, entry.key);
  switch (entry.kind) {
    case C::kCheck: static_cast<QCheckBox*>(control)->setChecked(number != 0); break;
    case C::kNumber: static_cast<QSpinBox*>(control)->setValue(number); break;
    case C::kText: static_cast<QLineEdit*>(control)->setText(Qs(text)); break;
    case C::kHistory: static_cast<QComboBox*>(control)->setCurrentText(Qs(text)); break;
    case C::kChoice: {
      auto* combo = static_cast<QComboBox*>(control);
      if (std::string_view(entry.key) == "DateTimeSep") {
        combo->setCurrentIndex(text == " " || text == "Space" ? 0 : 1);
      } else {
        combo->setCurrentIndex(std::clamp(number, 0, combo->count() - 1));
      }
      break;
    }
  }
}

void SettingsDialog::Take(const SettingControl& entry, QWidget* control) {
  switch (entry.kind) {
    case C::kCheck:
      settings_.SetSettingInt(entry.group, entry.key, static_cast<QCheckBox*>(control)->isChecked() ? 1 : 0);
      break;
    case C::kNumber: settings_.SetSettingInt(entry.group, entry.key, static_cast<QSpinBox*>(control)->value()); break;
    case C::kText:
      settings_.SetSettingStr(entry.group, entry.key, static_cast<QLineEdit*>(control)->text().toStdString());
      break;
    case C::kHistory:
      settings_.SetSettingStr(entry.group, entry.key, static_cast<QComboBox*>(control)->currentText().toStdString());
      break;
    case C::kChoice: {
      auto* combo = static_cast<QComboBox*>(control);
      if (std::string_view(entry.key) == "DateTimeSep") {
        settings_.SetSettingStr(entry.group, entry.key, combo->currentText().toStdString());
      } else {
        settings_.SetSettingInt(entry.group, entry.key, combo->currentIndex());
      }
      break;
    }
  }
}

void SettingsDialog::TakeEdits() {
  for (const auto& [entry, widget] : controls_) Take(*entry, widget);
}

void SettingsDialog::Apply() {
  TakeEdits();
  settings_.SaveSettings(0);
  for (const auto& [entry, widget] : controls_) {
    if (entry->kind == C::kHistory) InputHistory::Add(entry->key, static_cast<QComboBox*>(widget)->currentText().toStdString());
  }
}
