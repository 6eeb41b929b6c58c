// CSmFile: a buffered writer for the generator's SQL and text output files.
// Writes collect in a 32768-byte buffer that goes to the file in one call when
// it fills. In overlapped mode the full buffer is handed to a background write
// while the next one fills, so generation does not wait for the disk; at most
// one background write is outstanding, and it is always awaited before its
// buffer is reused or the file is closed.
//
// REQUIRES: one thread uses an object; the log given to Open outlives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <string_view>

class CLog;

class CSmFile {
 public:
  static constexpr size_t kBufferSize = 32768;
  // Longest wait for a background write.
  static constexpr int kWaitMs = 10000;

  CSmFile();
  ~CSmFile();
  CSmFile(const CSmFile&) = delete;
  CSmFile& operator=(const CSmFile&) = delete;

  // Opens `path`, creating it when missing; with `append` an existing file is
  // kept (writes go to its end after SeekEnd), otherwise truncated. Read-only
  // when `write` is 0. A failure is logged ("Could not Open/Create TXT file
  // ...") and its errno value returned; 0 on success.
  int Open(const std::string& path, int write, CLog* log, int append, int overlapped);
  bool IsOpen() const { return fd_ >= 0; }
  void SeekEnd();
  // Appends `text`; a text longer than the buffer is written whole, directly.
  void Write(std::string_view text);
  // Writes the buffer out; with `wait` the write has finished on return.
  void Save(int wait);
  // Saves, waits and closes; the object can be opened again.
  void Close();

 private:
  // Writes all of `data` at the running offset (overlapped) or the file
  // position (plain); returns 0 or an errno value.
  int WriteAll(const char* data, size_t size);
  // Awaits the outstanding background write, logging its failure.
  void Await();
  void LogError(std::string_view message, int code, std::string_view where);

  int fd_ = -1;
  bool overlapped_ = false;
  CLog* log_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  std::unique_ptr<char[]> pending_;  // the buffer a background write reads
  std::future<int> write_;           // result: 0 or an errno value
  int64_t offset_ = 0;               // where the next overlapped write goes
  int64_t pendingSize_ = 0;
};
