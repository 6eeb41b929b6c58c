// CLog: the program log. One text file, one timestamped line per entry:
// trace lines ("State"), error entries ("Bug") and crash reports.
//
// Begin() opens <LogFilePath>/<program>.log, or the file in the per-user
// state folder when LogFilePath is empty, and takes LogLevel, TruncateBigLog,
// TruncateSize and LogViewer from the given settings table. LogLevel 0 writes
// core trace lines (level 0), 1 every trace line, 2 nothing. Performance mode
// suppresses trace lines whatever the level.
//
// Writes are serialised by a mutex, so a worker thread and the interface
// thread may log at the same time. The crash handlers are installed only by an
// explicit InstallCrashHandlers(): sanitizer builds and tests keep their own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

class _Settings;

class CLog {
 public:
  CLog() = default;
  ~CLog();
  CLog(const CLog&) = delete;
  CLog& operator=(const CLog&) = delete;

  // Opens the log and writes a start line with `title`. Returns 0, or the
  // errno value when the file can not be opened. `settings` may be null
  // (defaults) and must outlive the log otherwise.
  int Begin(std::string_view title, const _Settings* settings, std::string_view programName);

  void SetLogLevel(int level) { level_.store(level, std::memory_order_relaxed); }
  int LogLevel() const { return level_.load(std::memory_order_relaxed); }
  void SetPerformanceMode(bool on) { performance_.store(on, std::memory_order_relaxed); }

  // Writes a trace line when the log level admits `level`, and remembers the
  // text as the current state shown by a crash report.
  void State(std::string_view text, int level = 0);
  // Forgets the current state (an operation ended normally).
  void ClearState();
  // Writes an error entry: message, then the place, then "(file:line)".
  void Bug(std::string_view message, std::string_view where = {},
           std::string_view sourceFile = {}, int line = 0);

  // Empties the log file when `force` is set, or when it is larger than
  // `sizeMb` megabytes. Returns 0 or an errno value.
  int TruncateLog(int force, int sizeMb);
  // The LogViewer setting: the program that shows the log, empty for the
  // program's own log window.
  std::string Viewer() const;
  // Opens the log in the LogViewer program, started directly without a
  // shell. Returns 0 or an errno value (EINVAL when no viewer is set).
  int ViewLog();
  // What a log window reads to follow the file: the text from byte `offset`
  // on, with `offset` moved to the end of what was read. A file that became
  // shorter than `offset` (emptied since) is read from its start again, and
  // at most the last kMaxViewBytes of the file are read at a time, so a huge
  // log costs no more than that.
  struct LogText {
    std::string text;
    bool restarted = false;  // the file was read from its start again
    bool skipped = false;    // older text was left out to keep within the budget
  };
  static constexpr uint64_t kMaxViewBytes = 8u << 20;
  // Returns 0 or an errno value (EBADF before Begin).
  int ReadText(uint64_t& offset, LogText& out) const;
  // The most recent `count` lines written by this process, one per line.
  std::string GetLastRows(size_t count = 50) const;
  // The system's text for an errno value, with the number.
  static void FormatLastError(std::string& out, int code);

  // Writes a crash report with `info` and the current state. Uses only
  // async-signal-safe calls, so signal handlers may call it.
  void CrashMessage(const char* info);
  // Routes fatal signals and std::terminate to CrashMessage on this log, then
  // lets the default action end the process. Returns 0 or an errno value.
  int InstallCrashHandlers();
  // Puts back the handlers that InstallCrashHandlers replaced.
  void RemoveCrashHandlers();

  const std::string& Path() const { return path_; }

 private:
  void WriteLine(std::string_view kind, std::string_view text);

  mutable std::mutex mutex_;
  std::atomic<int> fd_{-1};
  std::atomic<int> level_{0};
  std::atomic<bool> performance_{false};
  std::string path_;
  const _Settings* settings_ = nullptr;
  std::deque<std::string> recent_;
  // The current state in two buffers: writers fill the idle one and flip the
  // index, so a signal handler always reads a complete text.
  char state_[2][256] = {};
  std::atomic<int> stateIndex_{0};
  bool handlersInstalled_ = false;
};
