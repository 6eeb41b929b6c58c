#include "support/Log.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <thread>

#include "support/Settings.h"
#include "support/TextUtil.h"
#include "support/UserPaths.h"

extern char** environ;

namespace {

constexpr size_t kRecentLines = 200;
constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL};
constexpr size_t kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

std::atomic<CLog*> gCrashLog{nullptr};
std::atomic<bool> gCrashReported{false};
struct sigaction gOldActions[kSignalCount];
std::terminate_handler gOldTerminate = nullptr;
// A stack of its own lets the handler run after a stack overflow.
alignas(16) char gAltStack[64 * 1024];

// Appends to a fixed buffer without allocating (usable in a signal handler).
struct SafeBuffer {
  char data[1024];
  size_t size = 0;
  void Add(const char* text) {
    while (text && *text && size < sizeof data - 1) data[size++] = *text++;
  }
  void AddNumber(long long value, int width) {
    char digits[24];
    int n = 0;
    unsigned long long v = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                     : static_cast<unsigned long long>(value);
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v && n < 23);
    while (n < width && n < 23) digits[n++] = '0';
    if (value < 0) Add("-");
    while (n > 0 && size < sizeof data - 1) data[size++] = digits[--n];
  }
};

void WriteFully(int fd, const char* data, size_t size) {
  while (fd >= 0 && size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    data += put;
    size -= static_cast<size_t>(put);
  }
}

// UTC "YYYY-MM-DD HH:MM:SS" from the clock by arithmetic only, because
// gmtime and localtime are not async-signal-safe.
void AddUtcTime(SafeBuffer& out) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  long long secs = now.tv_sec;
  long long days = secs / 86400;
  long long rest = secs % 86400;
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2);
  out.AddNumber(year, 4);
  out.Add("-");
  out.AddNumber(month, 2);
  out.Add("-");
  out.AddNumber(day, 2);
  out.Add(" ");
  out.AddNumber(rest / 3600, 2);
  out.Add(":");
  out.AddNumber(rest / 60 % 60, 2);
  out.Add(":");
  out.AddNumber(rest % 60, 2);
  out.Add(" UTC");
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "fatal signal SIGSEGV (invalid memory access)";
    case SIGABRT: return "fatal signal SIGABRT (abort)";
    case SIGFPE: return "fatal signal SIGFPE (arithmetic error)";
    case SIGBUS: return "fatal signal SIGBUS (bus error)";
    case SIGILL: return "fatal signal SIGILL (illegal instruction)";
    default: return "fatal signal";
  }
}

void OnFatalSignal(int sig) {
  CLog* log = gCrashLog.load();
  if (log && !gCrashReported.exchange(true)) log->CrashMessage(SignalName(sig));
  // Re-raised with the default action; it arrives as soon as the handler returns.
  signal(sig, SIG_DFL);
  raise(sig);
}

void OnTerminate() {
  CLog* log = gCrashLog.load();
  if (log && !gCrashReported.exchange(true)) {
    std::string info = "unhandled exception";
    if (std::exception_ptr current = std::current_exception()) {
      try {
        std::rethrow_exception(current);
      } catch (const std::exception& e) {
        info += ": ";
        info += e.what();
      } catch (...) {
        info += " of unknown type";
      }
    }
    log->CrashMessage(info.c_str());
  }
  std::abort();
}

}  // namespace

CLog::~CLog() {
  RemoveCrashHandlers();
  int fd = fd_.exchange(-1);
  if (fd >= 0) ::close(fd);
}

int CLog::Begin(std::string_view title, const _Settings* settings, std::string_view programName) {
  settings_ = settings;
  auto intSetting = [&](const char* key, int def) {
    return settings && settings->Has(key) ? settings->getInt(key) : def;
  };
  std::string folder = settings && settings->Has("LogFilePath") ? settings->getStr("LogFilePath") : "";
  SetLogLevel(intSetting("LogLevel", 0));

  std::filesystem::path dir;
  std::error_code ec;
  if (!folder.empty()) {
    dir = folder;
  } else {
    dir = UserStateDir(ec);
  }
  std::string stem = std::filesystem::path(programName).stem().string();
  if (stem.empty()) stem = "quarnel";
  std::string path = (dir / (stem + ".log")).string();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    int old = fd_.exchange(fd);
    if (old >= 0) ::close(old);
    path_ = path;
  }
  if (intSetting("TruncateBigLog", 0)) TruncateLog(0, intSetting("TruncateSize", 10));
  WriteLine("BEGIN", title);
  return 0;
}

void CLog::WriteLine(std::string_view kind, std::string_view text) {
  auto now = std::chrono::system_clock::now();
  std::time_t secs = std::chrono::system_clock::to_time_t(now);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&secs, &local);
  char stamp[40];
  size_t len = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(stamp + len, sizeof stamp - len, ".%03d ", static_cast<int>(millis));

  std::string line;
  line.reserve(text.size() + kind.size() + 32);
  line += stamp;
  line += kind;
  line += ' ';
  line += text;
  line += '\n';
  std::lock_guard<std::mutex> lock(mutex_);
  WriteFully(fd_.load(), line.data(), line.size());
  line.pop_back();
  recent_.push_back(std::move(line));
  if (recent_.size() > kRecentLines) recent_.pop_front();
}

void CLog::State(std::string_view text, int level) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    int idle = 1 - stateIndex_.load(std::memory_order_relaxed);
    size_t n = std::min(text.size(), sizeof state_[idle] - 1);
    std::memcpy(state_[idle], text.data(), n);
    state_[idle][n] = '\0';
    stateIndex_.store(idle, std::memory_order_release);
  }
  int logLevel = LogLevel();
  if (logLevel == 2 || level > logLevel || performance_.load(std::memory_order_relaxed)) return;
  WriteLine("STATE", text);
}

void CLog::ClearState() {
  std::lock_guard<std::mutex> lock(mutex_);
  int idle = 1 - stateIndex_.load(std::memory_order_relaxed);
  state_[idle][0] = '\0';
  stateIndex_.store(idle, std::memory_order_release);
}

void CLog::Bug(std::string_view message, std::string_view where, std::string_view sourceFile,
               int line) {
  if (LogLevel() == 2) return;
  std::string text(message);
  if (!where.empty()) {
    text += ' ';
    text += where;
  }
  if (!sourceFile.empty()) {
    text += " (";
    text += sourceFile;
    text += ':';
    text += std::to_string(line);
    text += ')';
  }
  WriteLine("ERROR", text);
}

int CLog::TruncateLog(int force, int sizeMb) {
  std::lock_guard<std::mutex> lock(mutex_);
  int fd = fd_.load();
  if (fd < 0) return EBADF;
  struct stat info{};
  if (fstat(fd, &info) != 0) return errno;
  long long limit = static_cast<long long>(sizeMb < 0 ? 0 : sizeMb) * 1024 * 1024;
  if (!force && info.st_size <= limit) return 0;
  return ftruncate(fd, 0) == 0 ? 0 : errno;
}

std::string CLog::Viewer() const {
  return settings_ && settings_->Has("LogViewer") ? TrimText(settings_->getStr("LogViewer")) : std::string();
}

int CLog::ReadText(uint64_t& offset, LogText& out) const {
  out = LogText{};
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path = path_;
  }
  if (path.empty()) return EBADF;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  if (size < offset) {
    offset = 0;
    out.restarted = true;
  }
  if (size - offset > kMaxViewBytes) {
    offset = size - kMaxViewBytes;
    out.skipped = true;
  }
  out.text.resize(static_cast<size_t>(size - offset));
  size_t done = 0;
  int error = 0;
  while (done < out.text.size()) {
    const ssize_t got = pread(fd, out.text.data() + done, out.text.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  out.text.resize(done);
  offset += done;
  return error;
}

int CLog::ViewLog() {
  std::string viewer = Viewer();
  if (viewer.empty()) return EINVAL;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path = path_;
  }
  if (path.empty()) return EBADF;
  char* argv[] = {viewer.data(), path.data(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, viewer.c_str(), nullptr, nullptr, argv, environ);
  if (rc != 0) return rc;
  // The viewer lives on its own; only its exit status needs collecting.
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

std::string CLog::GetLastRows(size_t count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t first = recent_.size() > count ? recent_.size() - count : 0;
  std::string out;
  for (size_t i = first; i < recent_.size(); ++i) {
    out += recent_[i];
    out += '\n';
  }
  return out;
}

void CLog::FormatLastError(std::string& out, int code) {
  char buffer[256];
  const char* text = strerror_r(code, buffer, sizeof buffer);
  out = text;
  out += " (";
  out += std::to_string(code);
  out += ')';
}

void CLog::CrashMessage(const char* info) {
  SafeBuffer report;
  AddUtcTime(report);
  report.Add(" CRASH ");
  report.Add(info);
  const char* state = state_[stateIndex_.load(std::memory_order_acquire)];
  if (*state) {
    report.Add("; last state: ");
    report.Add(state);
  }
  report.Add("\n");
  WriteFully(fd_.load(), report.data, report.size);
  WriteFully(STDERR_FILENO, report.data, report.size);
}

int CLog::InstallCrashHandlers() {
  if (handlersInstalled_) return 0;
  stack_t stack{};
  stack.ss_sp = gAltStack;
  stack.ss_size = sizeof gAltStack;
  if (sigaltstack(&stack, nullptr) != 0) return errno;
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < kSignalCount; ++i) {
    if (sigaction(kFatalSignals[i], &action, &gOldActions[i]) != 0) {
      int err = errno;
      while (i-- > 0) sigaction(kFatalSignals[i], &gOldActions[i], nullptr);
      return err;
    }
  }
  gCrashReported = false;
  gCrashLog = this;
  gOldTerminate = std::set_terminate(OnTerminate);
  handlersInstalled_ = true;
  return 0;
}

void CLog::RemoveCrashHandlers() {
  if (!handlersInstalled_) return;
  for (size_t i = 0; i < kSignalCount; ++i) sigaction(kFatalSignals[i], &gOldActions[i], nullptr);
  std::set_terminate(gOldTerminate);
  gCrashLog = nullptr;
  handlersInstalled_ = false;
}
