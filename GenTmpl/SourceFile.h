// Text files as pattern-function sources: a file is read whole, at once, and
// split into lines (and, for group sources, into fields).
//
// Only regular files are read, and only up to a size cap: a device such as
// /dev/zero, a FIFO or a directory is refused at once rather than blocking
// or filling memory, whatever name it is reached by.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Largest file a source reads.
inline constexpr std::size_t kMaxSourceFileBytes = std::size_t{256} << 20;

// Reads the regular file `path` into `text`. Returns 0, or -1 with `error`
// saying why (missing, not a regular file, larger than `maxBytes`, a read
// error).
int ReadSourceFile(const std::string& path, std::string& text, std::string& error,
                   std::size_t maxBytes = kMaxSourceFileBytes);

// What the lines or fields split from one file may cost in memory, the
// bookkeeping of every piece included: a file of nothing but line ends or
// separators is refused rather than exploding into empty texts.
inline constexpr std::size_t kMaxSplitCost = 2 * kMaxSourceFileBytes;

// The lines of `text`: a leading UTF-8 byte order mark is dropped, lines end
// at "\n" and lose a "\r" before it, and the end of the text after a last
// line end makes no further line. Returns 0, or -1 with `error` set when the
// lines would cost more than kMaxSplitCost.
int SplitSourceLines(std::string_view text, std::vector<std::string>& lines, std::string& error);

// Appends `line` as one row: field i, split at every occurrence of
// `separator`, goes to fields[i], and every array gets one element, so all
// arrays stay as long as the number of lines (a field a line lacks is empty;
// an array created for a longer line is empty for the rows before it). An
// empty separator leaves the line whole. Each element is charged against
// `budget` (bytes and bookkeeping); returns false, appending nothing, when
// the line does not fit in it.
bool AppendLineFields(std::string_view line, std::string_view separator,
                      std::vector<std::vector<std::string>>& fields, std::size_t& budget);
