// The project report preview page: the project report written into a
// temporary "report*.html" file and shown in a browser view.
#pragma once

#include <QWidget>
#include <memory>

struct Project;
struct ReportInfo;
class QTemporaryFile;
class QTextBrowser;

class ReportPage final : public QWidget {
  Q_OBJECT

 public:
  explicit ReportPage(QWidget* parent = nullptr);
  ~ReportPage() override;

  // Writes the report of `project` and shows it; false (and a message from
  // the report writer) when the file could not be written.
  bool Show(const Project& project, const ReportInfo& info);
  QTextBrowser& browser() { return *browser_; }

 signals:
  void saveRequested();

 private:
  QTextBrowser* browser_;
  std::unique_ptr<QTemporaryFile> file_;
};
