// The project migration page: the new schema for the project's tables and
// for its linked tables, and "Migrate", which the window carries out with the
// core's MigrateProject.
#pragma once

#include <QWidget>
#include <string>

class QLineEdit;

class MigrationPage final : public QWidget {
  Q_OBJECT

 public:
  explicit MigrationPage(QWidget* parent = nullptr);
  std::string newSchema() const;
  std::string newLinkedSchema() const;
  void setEnabledForProject(bool enabled);

 signals:
  void migrateRequested();

 private:
  QLineEdit* schema_;
  QLineEdit* linkedSchema_;
  QWidget* migrate_;
};
