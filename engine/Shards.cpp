#include "engine/Shards.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "project/Project.h"
#include "support/TextUtil.h"

ShardRows RowsOfShard(int64_t rows, ShardPart part) {
  if (rows <= 0 || part.count < 1 || part.index < 1 || part.index > part.count) return {1, 0};
  // Boundaries at floor(k * rows / N): the parts differ by at most one row.
  const auto boundary = [&](int k) {
    return static_cast<int64_t>(static_cast<__int128>(rows) * k / part.count);
  };
  return {boundary(part.index - 1) + 1, boundary(part.index)};
}

bool ParseShard(std::string_view text, ShardPart& part, std::string& error) {
  const size_t slash = text.find('/');
  const std::optional<int64_t> count =
      slash == std::string_view::npos ? std::nullopt : WholeNumber(text.substr(slash + 1), 1, kMaxShards);
  const std::optional<int64_t> index = count ? WholeNumber(text.substr(0, slash), 1, *count) : std::nullopt;
  if (!index) {
    error = "--shard needs K/N with 1 <= K <= N <= " + std::to_string(kMaxShards) + " (for example 2/4), not '" +
            std::string(text) + "'";
    return false;
  }
  part = ShardPart{static_cast<int>(*index), static_cast<int>(*count)};
  return true;
}

std::string ShardFileName(const std::string& path, ShardPart part) {
  if (part.count <= 1 || path.empty()) return path;
  const int digits = static_cast<int>(std::to_string(part.count).size());
  char tag[48];
  std::snprintf(tag, sizeof tag, ".%0*d-of-%d", digits, part.index, part.count);
  const std::filesystem::path name(path);
  const std::string extension = name.extension().string();
  return path.substr(0, path.size() - extension.size()) + tag + extension;
}

void NameFilesAfterPart(Project& project, ShardPart part) {
  for (std::string* file : {&project.SQLFile, &project.TXTFile, &project.XMLFile}) *file = ShardFileName(*file, part);
  for (Rule& rule : project.rules) {
    for (std::string* file : {&rule.OutFile, &rule.OutFileTXT, &rule.OutFileXML}) *file = ShardFileName(*file, part);
  }
}
