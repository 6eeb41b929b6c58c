// BackgroundTask: runs jobs one at a time on a thread of its own, so that the
// caller can prepare the next job while the last one runs. At most one job is
// in flight: Run waits for the previous job before it hands over the next.
// Without a thread (threaded false) Run executes the job at once, which keeps
// one code path for both ways of working.
//
// REQUIRES: one thread calls Run and Wait; what a job touches is not used by
// the caller until Wait (or the next Run) has returned.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class BackgroundTask {
 public:
  explicit BackgroundTask(bool threaded);
  // Waits for the job in flight and ends the thread.
  ~BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  void Run(std::function<void()> job);
  // Returns when no job is in flight.
  void Wait();
  bool threaded() const { return thread_.joinable(); }

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  bool busy_ = false;
  bool stop_ = false;
  std::thread thread_;  // last: started once the members above exist
};
