#include "engine/UniqueSet.h"

#include <zlib.h>

#include <algorithm>

UniqueSet::UniqueSet(bool ignoreCase) : buckets_(kBuckets), ignoreCase_(ignoreCase) {}

uint32_t UniqueSet::Crc(std::string_view value) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt; feed long values in pieces.
  while (!value.empty()) {
    const size_t n = std::min<size_t>(value.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(value.data()), static_cast<uInt>(n));
    value.remove_prefix(n);
  }
  return static_cast<uint32_t>(crc);
}

bool UniqueSet::Insert(std::string_view value) {
  if (ignoreCase_) {
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    folded_.assign(value);
    for (char& c : folded_)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    value = folded_;
  }
  const uint32_t crc = Crc(value);
  auto& bucket = buckets_[crc % kBuckets];
  if (std::find(bucket.begin(), bucket.end(), crc) != bucket.end()) return false;
  bucket.push_back(crc);
  ++size_;
  return true;
}
