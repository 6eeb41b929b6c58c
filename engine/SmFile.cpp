#include "engine/SmFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "support/Log.h"

namespace {

// Writes everything, at `offset` when it is not negative; 0 or an errno value.
int WriteFully(int fd, const char* data, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t n = offset >= 0 ? ::pwrite(fd, data, size, offset) : ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<size_t>(n);
    if (offset >= 0) offset += n;
  }
  return 0;
}

}  // namespace

CSmFile::CSmFile() : buffer_(new char[kBufferSize]) {}

CSmFile::~CSmFile() { Close(); }

void CSmFile::LogError(std::string_view message, int code, std::string_view where) {
  if (!log_) return;
  std::string text(message);
  if (code != 0) {
    char line[64];
    std::snprintf(line, sizeof line, " %d", code);
    text += line;
  }
  log_->Bug(text, where);
}

int CSmFile::Open(const std::string& path, int write, CLog* log, int append, int overlapped) {
  Close();
  log_ = log;
  int flags = O_CLOEXEC | O_CREAT | (write ? O_RDWR : O_RDONLY);
  if (!append && write) flags |= O_TRUNC;
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) {
    const int code = errno;
    if (log_) {
      std::string reason = std::strerror(code);
      while (!reason.empty() && std::strchr("\r\n\t ", reason.back())) reason.pop_back();
      log_->Bug("Could not Open/Create TXT file '" + path + "', error [" + std::to_string(code) +
                    "," + reason + "]",
                "CSmFile::Open");
    }
    return code;
  }
  overlapped_ = overlapped != 0;
  used_ = 0;
  offset_ = 0;
  if (overlapped_ && append) {
    // Background writes go to explicit offsets: start them at the end.
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end > 0) offset_ = end;
  }
  if (overlapped_ && !pending_) pending_.reset(new char[kBufferSize]);
  return 0;
}

void CSmFile::SeekEnd() {
  if (fd_ < 0) return;
  Save(1);
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end >= 0) offset_ = end;
}

void CSmFile::Await() {
  if (!write_.valid()) return;
  if (write_.wait_for(std::chrono::milliseconds(kWaitMs)) != std::future_status::ready) {
    LogError("Write error: timeout", 0, "CSmFile::Save()");
  }
  // get() waits on: the buffer must not be reused while the write reads it.
  const int status = write_.get();
  if (status != 0) LogError("Write error", status, "CSmFile::Save()");
  offset_ += pendingSize_;
  pendingSize_ = 0;
}

int CSmFile::WriteAll(const char* data, size_t size) {
  if (!overlapped_) return WriteFully(fd_, data, size, -1);
  Await();
  const int status = WriteFully(fd_, data, size, offset_);
  if (status == 0) offset_ += static_cast<int64_t>(size);
  return status;
}

void CSmFile::Save(int wait) {
  if (fd_ < 0) return;
  if (used_ > 0) {
    if (!overlapped_) {
      const int status = WriteFully(fd_, buffer_.get(), used_, -1);
      if (status != 0) LogError("Write error", status, "CSmFile::Save()");
    } else {
      Await();
      std::memcpy(pending_.get(), buffer_.get(), used_);
      pendingSize_ = static_cast<int64_t>(used_);
      const int fd = fd_;
      const char* data = pending_.get();
      const size_t size = used_;
      const int64_t at = offset_;
      write_ = std::async(std::launch::async, [fd, data, size, at] { return WriteFully(fd, data, size, at); });
    }
    used_ = 0;
  }
  if (wait && overlapped_) Await();
}

void CSmFile::Write(std::string_view text) {
  if (fd_ < 0 || text.empty()) return;
  if (used_ + text.size() > kBufferSize) Save(0);
  if (text.size() > kBufferSize) {
    const int status = WriteAll(text.data(), text.size());
    if (status != 0) LogError("Write error", status, "CSmFile::Write()");
    return;
  }
  std::memcpy(buffer_.get() + used_, text.data(), text.size());
  used_ += text.size();
}

void CSmFile::Close() {
  if (fd_ < 0) return;
  Save(1);
  ::close(fd_);
  fd_ = -1;
  used_ = 0;
}
