// Runs made in parts ("shards"): part K of N makes the contiguous K-th slice of
// every data rule's rows, with the row numbers, Incremental values and
// sequential positions those rows have in the whole set. Each row draws from
// a stream keyed by the run's seed, the rule and the row number, so the parts
// together make the rows one whole run (part 1 of 1) makes, whatever N is.
//
// Several parts may run in one process (`--jobs`): they then pass a
// ShardBarrier before each rule, so that a rule starts only when the rules
// before it are complete in every part.
#pragma once

#include <barrier>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct Project;

struct ShardPart {
  int index = 1;  // from 1
  int count = 1;
  bool operator==(const ShardPart&) const = default;
};

// The rows [first, last] of part `part` of `rows` rows (first > last: none).
struct ShardRows {
  int64_t first = 1;
  int64_t last = 0;
};
ShardRows RowsOfShard(int64_t rows, ShardPart part);

// Reads "K/N" (1 <= K <= N <= kMaxShards). Returns false, with the reason in
// `error`, for anything else.
constexpr int kMaxShards = 100000;
bool ParseShard(std::string_view text, ShardPart& part, std::string& error);

// The name part K of N writes instead of `path`: "people.csv" becomes
// "people.03-of-12.csv", numbered with N's digits so that the parts sort in
// order. Part 1 of 1 keeps the name.
std::string ShardFileName(const std::string& path, ShardPart part);

// Names every output file of `project` (the project's and its rules') after `part`.
void NameFilesAfterPart(Project& project, ShardPart part);

// The parts of one process that run side by side. Arrive waits for every
// part still running; a part that ends early leaves, so that none waits for it.
class ShardBarrier {
 public:
  explicit ShardBarrier(int parts) : barrier_(parts) {}
  void Arrive() { barrier_.arrive_and_wait(); }
  void Leave() { barrier_.arrive_and_drop(); }
  // Held by a part while it writes a rule's rows to a server that takes one
  // writing transaction at a time (SQLite): two parts each holding a
  // transaction there would wait on each other until the driver gives up.
  std::mutex& Writer() { return writer_; }

 private:
  std::barrier<> barrier_;
  std::mutex writer_;
};
