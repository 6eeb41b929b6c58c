// Small text helpers shared by the support library.
#pragma once

#include <string>
#include <string_view>

// Text without leading and trailing blanks, tabs and line ends.
std::string TrimText(std::string_view text);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Comparison without regard to ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// An identifier without its surrounding quotes ("name", [name] or `name`), with
// doubled closing quotes made single.
std::string UnquoteIdentifier(std::string_view name);
