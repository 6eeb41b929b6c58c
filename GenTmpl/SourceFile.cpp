#include "GenTmpl/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Closes a descriptor when the read ends, however it ends.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string Reason(const std::string& path, const char* what) {
  return "'" + path + "': " + what;
}

std::string TooLarge(const std::string& path, std::size_t maxBytes) {
  return Reason(path, "is larger than the limit for a source file") + " (" +
         std::to_string(maxBytes) + " bytes)";
}

}  // namespace

int ReadSourceFile(const std::string& path, std::string& text, std::string& error,
                   std::size_t maxBytes) {
  text.clear();
  if (path.empty()) {
    error = "no file name was given";
    return -1;
  }
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    error = Reason(path, std::strerror(errno));
    return -1;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    error = Reason(path, std::strerror(errno));
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    error = Reason(path, S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file");
    return -1;
  }
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
    error = TooLarge(path, maxBytes);
    return -1;
  }
  text.resize(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  // The file may change while it is read: never past the cap, whatever it grows to.
  for (;;) {
    if (got == text.size()) {
      if (text.size() >= maxBytes + 1) break;
      text.resize(std::min(maxBytes + 1, text.size() + 65536));
    }
    const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = Reason(path, std::strerror(errno));
      text.clear();
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) {
    error = TooLarge(path, maxBytes);
    text.clear();
    return -1;
  }
  text.resize(got);
  return 0;
}

int SplitSourceLines(std::string_view text, std::vector<std::string>& lines, std::string& error) {
  lines.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const std::size_t count = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (text.size() > kMaxSplitCost || count > (kMaxSplitCost - text.size()) / sizeof(std::string)) {
    error = "the file holds too many lines (" + std::to_string(count) + ")";
    return -1;
  }
  lines.reserve(count);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}

bool AppendLineFields(std::string_view line, std::string_view separator,
                      std::vector<std::vector<std::string>>& fields, std::size_t& budget) {
  std::size_t pieces = 1;
  if (!separator.empty()) {
    for (std::size_t at = line.find(separator); at != std::string_view::npos;
         at = line.find(separator, at + separator.size()))
      ++pieces;
  }
  // The line is one row: every array gets an element (empty for a field the
  // line lacks), and a new array starts with empty elements for the rows
  // before it, so that row r of every array comes from the same line.
  const std::size_t rows = fields.empty() ? 0 : fields.front().size();
  const std::size_t width = std::max(fields.size(), pieces);
  const std::size_t newArrays = width - fields.size();
  if (rows > 0 && newArrays > budget / sizeof(std::string) / rows) return false;
  const std::size_t cost = line.size() + (width + newArrays * rows) * sizeof(std::string);
  if (cost > budget) return false;
  budget -= cost;
  fields.resize(width, std::vector<std::string>(rows));
  for (std::size_t index = 0; index < width; ++index) {
    if (index >= pieces) {
      fields[index].emplace_back();
      continue;
    }
    const std::size_t end = separator.empty() ? std::string_view::npos : line.find(separator);
    fields[index].emplace_back(line.substr(0, end));
    if (end != std::string_view::npos) line.remove_prefix(end + separator.size());
  }
  return true;
}
