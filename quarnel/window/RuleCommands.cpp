// The main window's rule commands: they hand the project to the editors of
// quarnel/editor and refresh the window after a change.
#include <QMessageBox>

#include "GenTmpl/VLibrary.h"
#include "project/ProjectDocument.h"
#include "quarnel/AutoRules.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/editor/NamedGeneratorsDialog.h"
#include "quarnel/editor/RuleEditor.h"
#include "quarnel/editor/RuleWizard.h"
#include "quarnel/editor/VariablesDialog.h"
#include "quarnel/window/ProjectPage.h"
#include "quarnel/window/GuiThread.h"
#include "quarnel/window/QuarnelDlg.h"
#include "quarnel/window/RuleListModel.h"
#include "support/Database.h"

EditorContext CQuarnelDlg::MakeEditorContext() {
  const ProgramSettings& settings = app_.settings();
  Project& project = app_.document().project();
  EditorContext context;
  context.db = app_.connection().connection();
  context.project = &project;
  context.autoRules = AutoRuleSettingsFrom(settings);
  control_.PrepareGenerator(context.sampleOptions, project);
  context.library = &app_.library();
  context.tableNames = &tableNames_;
  context.tableOptions.keep = settings.GetSettingInt(1, "SchemaCache") != 0;
  context.tableOptions.views = settings.GetSettingInt(1, "ViewsInData") != 0;
  context.tableOptions.synonyms = settings.GetSettingInt(1, "SynsInData") != 0;
  context.linkedViews = settings.GetSettingInt(1, "ShowViews") != 0;
  return context;
}

void CQuarnelDlg::ProjectEdited(int selectRow) {
  rules_->reload();
  RefreshProject();
  if (selectRow >= 0) project_->selectRow(selectRow);
  ShowPage(project_);
}

void CQuarnelDlg::OpenRule(int row) {
  std::vector<Rule>& rules = app_.document().project().rules;
  if (busy_ != Busy::kIdle || row < 0 || static_cast<size_t>(row) >= rules.size()) return;
  EditorContext context = MakeEditorContext();
  // The editor works on a copy; the project changes only when it is kept.
  Rule edited = rules[static_cast<size_t>(row)];
  if (!EditRule(edited, context, this)) return;
  rules[static_cast<size_t>(row)] = std::move(edited);
  app_.document().setModified(true);
  ProjectEdited(row);
}

void CQuarnelDlg::AddRule(int kind) {
  if (busy_ != Busy::kIdle) return;
  EditorContext context = MakeEditorContext();
  Rule rule = AutoRules(*context.db, context.autoRules).NewAutoRule();
  rule.Mode = kind;
  if (!EditRule(rule, context, this)) return;
  std::vector<Rule>& rules = app_.document().project().rules;
  rules.push_back(std::move(rule));
  app_.document().setModified(true);
  ProjectEdited(static_cast<int>(rules.size()) - 1);
}

void CQuarnelDlg::RuleWizardCommand() {
  if (busy_ != Busy::kIdle) return;
  EditorContext context = MakeEditorContext();
  if (!app_.connection().connected()) {
    QMessageBox::information(this, QStringLiteral("Rule Wizard"), QStringLiteral("Please connect to a database first."));
    return;
  }
  // The catalogue is read on a worker: on a slow server the window waits for
  // the list no longer than the server takes, and keeps answering meanwhile.
  SetBusy(Busy::kReadingSchema);
  auto names = std::make_shared<std::vector<std::string>>();
  RunInBackground(
      this,
      [this, db = context.db, options = context.tableOptions, names] { tableNames_.Names(*db, options, names.get()); },
      [this, context, names] {
        SetBusy(Busy::kIdle);
        if (closeWhenIdle_) {
          close();
          return;
        }
        if (RunRuleWizard(app_.document(), *context.db, context.autoRules, *names, this)) ProjectEdited(-1);
      });
}

void CQuarnelDlg::NamedGeneratorsCommand() {
  if (busy_ != Busy::kIdle) return;
  EditorContext context = MakeEditorContext();
  // The dialog marks the document modified itself; applying a generator may
  // have changed rules, so the list is read again either way.
  EditNamedGenerators(app_.document(), context, this);
  ProjectEdited(project_->selectedRow());
}

void CQuarnelDlg::VariablesCommand() {
  if (busy_ != Busy::kIdle) return;
  ProgramSettings& settings = app_.settings();
  if (!EditVariables(app_.document(), settings.GlobalVars(), this)) return;
  settings.SaveSettings(0);
  RefreshProject();
}
