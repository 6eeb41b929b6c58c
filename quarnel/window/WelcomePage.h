// The welcome page: first steps for a new user (connect, open, new) and the
// recent projects.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;

class WelcomePage final : public QWidget {
  Q_OBJECT

 public:
  explicit WelcomePage(QWidget* parent = nullptr);
  void setRecent(const std::vector<std::string>& paths);

 signals:
  void connectRequested();
  void openRequested();
  void newRequested();
  void recentChosen(const QString& path);

 private:
  QListWidget* recent_;
};
