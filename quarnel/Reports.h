// The HTML reports: the project report, which describes a project rule by
// rule, and the execution report, which records the lines of the execution
// console after a run. Both write a whole file through the HTML writer; the
// window opens the file in the viewer afterwards.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct Project;
class Prompt;

// Facts of the program and the connection the reports show.
struct ReportInfo {
  std::string version;      // program version text
  std::string title;        // program title
  std::string connection;   // connection description; empty when not connected
  std::time_t created = 0;  // the report's time; 0 means now
};

// One line of the execution console.
struct ConsoleLine {
  std::string item;  // table or object
  std::string state;
  std::string inserted;
  std::string rejected;
  std::string note;
};

// Statuses besides 0.
constexpr int kReportNotCreated = 1;  // the file could not be created
constexpr int kReportNotWritten = 2;  // writing or closing the file failed

// Both write `path` and return 0 or a status above. A file that can not be
// created is reported with "Could not open or create report file" through
// `prompt` (the current prompt when null) and nothing is written.
int WriteProjectReport(const std::string& path, const Project& project, const ReportInfo& info,
                       Prompt* prompt = nullptr);
int WriteExecutionReport(const std::string& path, const std::vector<ConsoleLine>& lines, const ReportInfo& info,
                         Prompt* prompt = nullptr);
