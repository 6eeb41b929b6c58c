// Small text helpers shared by the support library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text without leading and trailing blanks, tabs and line ends.
std::string TrimText(std::string_view text);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Comparison without regard to ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Characters of UTF-8 text: bytes that start a character (a byte that is not
// valid UTF-8 counts as one).
size_t CharacterCount(std::string_view text);
// Bytes of the first `characters` characters of UTF-8 `text` (all of it when
// it has fewer), so that a cut never splits a character.
size_t CharacterPrefix(std::string_view text, size_t characters);
// An identifier without its surrounding quotes ("name", [name] or `name`), with
// doubled closing quotes made single.
std::string UnquoteIdentifier(std::string_view name);
// `text` as an SQL string literal: in single quotes, quotes inside doubled.
std::string SqlStringLiteral(std::string_view text);
// The whole decimal number that is all of `text` (no blanks, no plus sign),
// when it lies in [low, high].
std::optional<int64_t> WholeNumber(std::string_view text, int64_t low, int64_t high);
// The memory `texts` take, their bookkeeping included.
size_t HeldTextBytes(const std::vector<std::string>& texts);
