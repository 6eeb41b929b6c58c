// UniqueSet: remembers the values a column has produced in one rule, so that
// a column marked unique can reject repeats. Values are kept as their CRC-32,
// not as text: the set stays small for millions of rows, at the price that two
// different values with the same CRC count as the same value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class UniqueSet {
 public:
  static constexpr uint32_t kBuckets = 40009;

  // With `ignoreCase`, values that differ only in the case of ASCII letters
  // or in trailing blanks are the same value, as the default collations of
  // MySQL, MariaDB and SQL Server compare them.
  explicit UniqueSet(bool ignoreCase = false);
  // CRC-32 (IEEE 802.3) of `value`.
  static uint32_t Crc(std::string_view value);
  // Adds `value`; false when it (or a value of the same CRC) is already present.
  bool Insert(std::string_view value);
  size_t size() const { return size_; }

 private:
  std::vector<std::vector<uint32_t>> buckets_;
  size_t size_ = 0;
  bool ignoreCase_;
  std::string folded_;  // the value as compared, reused from value to value
};
