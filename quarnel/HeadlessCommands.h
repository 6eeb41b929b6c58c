// Commands of quarnel's command line that work without a window and without
// running a project: building a project from the database schema (--auto),
// writing a project report (--report) and trying patterns (--pattern). Each returns the program's exit status
// and reports on standard output and standard error.
#pragma once

class CQuarnelApp;

// Connects, builds one rule per listed table in foreign-key order and saves
// the project to the --save file.
int RunAutoCommand(CQuarnelApp& app);

// Loads the project file and writes its report to the --report file.
int RunReportCommand(CQuarnelApp& app);

// Evaluates the --pattern patterns as the columns of one rule for --rows rows
// and prints them tab-separated.
int RunPatternCommand(CQuarnelApp& app);
