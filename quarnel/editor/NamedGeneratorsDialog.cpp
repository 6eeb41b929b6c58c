#include "quarnel/editor/NamedGeneratorsDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "quarnel/editor/ApplyNamedGenDialog.h"
#include "quarnel/editor/ColumnEditor.h"
#include "quarnel/editor/EditorContext.h"
#include "quarnel/editor/FileSuffix.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kFileFilter = "Named Generators (*.ngen);;All Files (*)";

}  // namespace

NamedGeneratorsDialog::NamedGeneratorsDialog(ProjectDocument& document, EditorContext& context, QWidget* parent)
    : QDialog(parent), document_(document), context_(context), list_(new QListWidget) {
  setWindowTitle("Named Generators");
  list_->setObjectName("generators");
  auto* buttons = new QVBoxLayout;
  const std::pair<const char*, void (NamedGeneratorsDialog::*)()> actions[] = {
      {"&New from column...", &NamedGeneratorsDialog::NewClicked},
      {"&Edit...", &NamedGeneratorsDialog::EditClicked},
      {"&Import...", &NamedGeneratorsDialog::ImportClicked},
      {"A&pply to...", &NamedGeneratorsDialog::ApplyClicked}};
  for (const auto& [label, slot] : actions) {
    auto* button = new QPushButton(label);
    connect(button, &QPushButton::clicked, this, slot);
    buttons->addWidget(button);
  }
  auto* remove = new QPushButton("&Delete");
  connect(remove, &QPushButton::clicked, this, [this] { Remove(Current()); });
  auto* exportOne = new QPushButton("E&xport...");
  connect(exportOne, &QPushButton::clicked, this, [this] { ExportClicked(false); });
  auto* exportAll = new QPushButton("Export &all...");
  connect(exportAll, &QPushButton::clicked, this, [this] { ExportClicked(true); });
  for (QPushButton* button : {remove, exportOne, exportAll}) buttons->addWidget(button);
  buttons->addStretch();
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  buttons->addWidget(close);
  connect(list_, &QListWidget::itemDoubleClicked, this, &NamedGeneratorsDialog::EditClicked);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  Refresh(0);
  resize(720, 420);
}

int NamedGeneratorsDialog::Current() const { return list_->currentRow(); }

void NamedGeneratorsDialog::Refresh(int select) {
  list_->clear();
  for (const ColumnRule& generator : document_.project().namedGens) {
    const std::string description = DescribeColumnRule(generator);
    list_->addItem(Q(description.empty() ? generator.NamedGen : generator.NamedGen + " - " + description));
  }
  if (select >= 0 && select < list_->count()) list_->setCurrentRow(select);
}

bool NamedGeneratorsDialog::NameTaken(const std::string& name, int except) const {
  const std::vector<ColumnRule>& all = document_.project().namedGens;
  for (size_t i = 0; i < all.size(); ++i) {
    if (static_cast<int>(i) != except && all[i].NamedGen == name) return true;
  }
  return false;
}

bool NamedGeneratorsDialog::NewFromColumn(size_t rule, size_t column, const std::string& name) {
  Project& project = document_.project();
  if (rule >= project.rules.size() || column >= project.rules[rule].Fields.size()) return false;
  if (name.empty() || NameTaken(name, -1)) {
    QMessageBox::warning(this, "Warning!", "Please enter a name that no other named generator has.");
    return false;
  }
  const ColumnRule& source = project.rules[rule].Fields[column];
  if (source.Method == kMethodNamedGen) {
    QMessageBox::warning(this, "Warning!", "The column takes its values from a named generator itself.");
    return false;
  }
  ColumnRule generator = source;
  generator.NamedGen = name;
  project.namedGens.push_back(generator);
  document_.setModified(true);
  Refresh(static_cast<int>(project.namedGens.size()) - 1);
  return true;
}

bool NamedGeneratorsDialog::Remove(int index) {
  std::vector<ColumnRule>& all = document_.project().namedGens;
  if (index < 0 || index >= static_cast<int>(all.size())) return false;
  all.erase(all.begin() + index);
  document_.setModified(true);
  Refresh(std::min(index, static_cast<int>(all.size()) - 1));
  return true;
}

bool NamedGeneratorsDialog::ExportTo(const std::string& chosen, int index) {
  const std::vector<ColumnRule>& all = document_.project().namedGens;
  if (index >= static_cast<int>(all.size()) || all.empty()) return false;
  const std::string path = WithSuffix(Q(chosen), QStringLiteral("ngen")).toStdString();
  std::string error;
  const int status = index < 0 ? WriteNamedGenerators(path, all, &error)
                               : WriteNamedGenerator(path, all[static_cast<size_t>(index)], &error);
  if (status != 0) {
    QMessageBox::warning(this, "Error", Q(error));
    return false;
  }
  return true;
}

bool NamedGeneratorsDialog::ImportFrom(const std::string& path) {
  std::vector<ColumnRule> read;
  std::string error;
  if (ReadNamedGenerators(path, read, &error) != 0) {
    QMessageBox::warning(this, "Error", Q(error));
    return false;
  }
  // A generator of the same name is replaced, others are appended.
  std::vector<ColumnRule>& all = document_.project().namedGens;
  for (ColumnRule& generator : read) {
    auto same = std::find_if(all.begin(), all.end(),
                             [&generator](const ColumnRule& g) { return g.NamedGen == generator.NamedGen; });
    if (same != all.end()) *same = std::move(generator);
    else all.push_back(std::move(generator));
  }
  document_.setModified(true);
  Refresh(0);
  return true;
}

void NamedGeneratorsDialog::NewClicked() {
  QStringList columns;
  std::vector<std::pair<size_t, size_t>> places;
  const Project& project = document_.project();
  for (size_t r = 0; r < project.rules.size(); ++r) {
    for (size_t c = 0; c < project.rules[r].Fields.size(); ++c) {
      columns << Q(project.rules[r].TabName + "." + project.rules[r].Fields[c].Name);
      places.emplace_back(r, c);
    }
  }
  if (columns.isEmpty()) {
    QMessageBox::information(this, "Named Generators", "The project has no columns yet.");
    return;
  }
  bool ok = false;
  const QString chosen = QInputDialog::getItem(this, "New Named Generator", "From &column:", columns, 0, false, &ok);
  if (!ok) return;
  const QString name = QInputDialog::getText(this, "New Named Generator", "&Name:", QLineEdit::Normal, {}, &ok);
  if (!ok) return;
  const auto place = places[static_cast<size_t>(columns.indexOf(chosen))];
  NewFromColumn(place.first, place.second, name.trimmed().toStdString());
}

void NamedGeneratorsDialog::EditClicked() {
  const int index = Current();
  std::vector<ColumnRule>& all = document_.project().namedGens;
  if (index < 0 || index >= static_cast<int>(all.size())) return;
  NamedGeneratorEditor editor(all[static_cast<size_t>(index)], all, context_, this);
  if (editor.exec() == QDialog::Accepted) {
    document_.setModified(true);
    Refresh(index);
  }
}

void NamedGeneratorsDialog::ExportClicked(bool all) {
  if (!all && Current() < 0) return;
  const QString path = QFileDialog::getSaveFileName(this, "Export Named Generators", {}, kFileFilter);
  if (!path.isEmpty()) ExportTo(path.toStdString(), all ? -1 : Current());
}

void NamedGeneratorsDialog::ImportClicked() {
  const QString path = QFileDialog::getOpenFileName(this, "Import Named Generators", {}, kFileFilter);
  if (!path.isEmpty()) ImportFrom(path.toStdString());
}

void NamedGeneratorsDialog::ApplyClicked() {
  const int index = Current();
  if (index < 0) return;
  ApplyNamedGenDialog apply(document_, document_.project().namedGens[static_cast<size_t>(index)].NamedGen, this);
  apply.exec();
}

NamedGeneratorEditor::NamedGeneratorEditor(ColumnRule& generator, const std::vector<ColumnRule>& all,
                                           EditorContext& context, QWidget* parent)
    : QDialog(parent), generator_(generator), all_(all), work_(generator) {
  setWindowTitle(QString("Named Generator '%1'").arg(Q(generator.NamedGen)));
  auto* name = new QLineEdit(Q(work_.NamedGen));
  name->setObjectName("name");
  connect(name, &QLineEdit::textChanged, this, [this](const QString& text) { work_.NamedGen = text.toStdString(); });
  auto* columns = new ColumnEditor(context);
  columns->setColumn(&work_, nullptr);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout;
  form->addRow("&Name:", name);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(columns, 1);
  layout->addWidget(buttons);
  resize(640, 720);
}

void NamedGeneratorEditor::accept() {
  const bool taken = std::any_of(all_.begin(), all_.end(), [this](const ColumnRule& g) {
    return &g != &generator_ && g.NamedGen == work_.NamedGen;
  });
  if (work_.NamedGen.empty() || taken) {
    QMessageBox::warning(this, "Warning!", "Please enter a name that no other named generator has.");
    return;
  }
  if (work_.Method == kMethodNamedGen) {
    QMessageBox::warning(this, "Warning!", "A named generator cannot take its values from a named generator.");
    return;
  }
  generator_ = work_;
  QDialog::accept();
}

void EditNamedGenerators(ProjectDocument& document, EditorContext& context, QWidget* parent) {
  NamedGeneratorsDialog dialog(document, context, parent);
  dialog.exec();
}
