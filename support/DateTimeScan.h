// Reading dates and times written in a format (DateTimeText.h), and expanding
// the date and time macros of an output file name.
//
// The scanners accept every text that AppendDateText / AppendTimeText write in
// the same format, and also what people type into bounds: numeric fields may be
// shorter than their token ("1.1.2013" in "DD.MM.YYYY"), month names are read
// without regard to case, and blanks around the text and around the format are
// ignored. The century "C" has no fixed width: it takes the digits that the
// fixed-width fields right after it leave ("113" in "CYY"). Everything
// else, including impossible fields (month 13, 31 April, 29 February outside a
// leap year, minute 60) and text left over after the format, is reported as
// unreadable. They never throw.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// Reads a date. Returns 0 and fills day, month and year when the text was read,
// non-zero otherwise (the out-arguments are then unspecified).
// An empty (or blank) text reads as the open bound of the year window: with
// boundKind 1 (lower bound) 1 January of yearFrom, with boundKind 0 (upper
// bound) 31 December of yearTo. Fields the format lacks are taken the same way.
// A year read from "YY" (or fewer than three digits under "YYYY") is 2000 + y
// for y < 30 and 1900 + y otherwise, or y + 100 * C + 1900 when the format
// holds the century "C".
int DateScanLowLevel(std::string_view text, int& day, int& month, int& year, int boundKind,
                     std::string_view format, int yearFrom, int yearTo);

// Reads a time (hour 0..23, minute and second 0..59). Milliseconds and the zone
// are read and dropped. With the mark "PM" or "AM" in the format the hour is
// read on a 12-hour clock and the text's "AM"/"PM" (any case) moves it onto
// 0..23. Returns 0 when read, non-zero otherwise (an empty text is unreadable).
int TimeScanLowLevel(std::string_view text, int& hour, int& minute, int& second,
                     std::string_view format);

// Replaces every "$DATE$" in an output file name by today's date in
// `dateFormat` and every "$TIME$" by the current local time in `timeFormat`.
// The inserted text is made safe for a file name: the characters that cannot
// stand in a path component or that shells and other systems' file names
// reject ('/', '\\', ':', '*', '?', '"', '<', '>', '|') become '-', blanks and
// control characters become '_'. The rest of the name (a folder part with '/')
// is left as it is.
std::string DateAndTimeMacros(std::string_view text, std::string_view dateFormat,
                              std::string_view timeFormat);
// The same at a given local time (`when` as from localtime_r, with its zone).
std::string DateAndTimeMacros(std::string_view text, std::string_view dateFormat,
                              std::string_view timeFormat, const std::tm& when, int millis);
