// Dates and times in user-chosen formats: writing them, reading them by
// position, and drawing random ones between bounds. Format tokens are those of
// support/DateTimeText.h; days are those of the calendar of support/Calendar.h.
//
// Every random draw lies between its two bounds, both included, and is drawn
// uniformly over the span in steps of the smallest field the format shows (a
// day, a second, a minute or an hour), so either bound can come up; bounds
// given the wrong way round are taken in order.
#pragma once

#include <string>
#include <string_view>

class PatternHost;

// Run-wide date and time settings.
struct DateTimeOptions {
  std::string DateFormat = "YYYY-MM-DD";
  std::string TimeFormat = "HH:MM PM";
  int YearFrom = 1950;
  int YearTo = 2020;
  std::string DateTimeSep = " ";

  // The separator for a "DateTimeSep" setting: one blank for "Space" or a
  // blank, otherwise none.
  static std::string SeparatorFromSetting(std::string_view setting);
};

// Appends the date written into `format`; a format without any date token
// (empty, or a leftover "%d") means the run's date format.
void MakeDate(std::string& out, int day, int month, int year, std::string_view format,
              const DateTimeOptions& options);
// Appends the time written into `format`, or into the run's time format when
// `format` is empty.
void MakeTime(std::string& out, int hour, int minute, int second, int millis, int zoneHours,
              std::string_view format, const DateTimeOptions& options);

// A date and a time of day.
struct DateTimeParts {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Reads a date in `dateFormat` (see MakeDate for a format without date tokens)
// that may be followed by the run's separator and a time in the run's time
// format. The date is the first (date format's length) characters, as
// MakeDate writes it. Without a time the time is the first second of the day,
// or its last with boundKind 0; an empty text is the open bound of the year
// window as DateScanLowLevel reads it. Returns 0, or -1 when the text cannot
// be read.
int ReadDateTime(std::string_view text, std::string_view dateFormat, int boundKind,
                 const DateTimeOptions& options, DateTimeParts& parts);

// Appends a random date between two dates written in `format` (see MakeDate
// for an empty format). An empty bound, or one that cannot be read, is the
// open end of the year window: 1 January of "YearFrom", 31 December of
// "YearTo". Returns 0.
int MakeRandDate(std::string& out, std::string_view fromText, std::string_view toText,
                 std::string_view format, const DateTimeOptions& options);
// Appends a random time between two times in the run's time format, with
// random milliseconds and zone (-11..+11). Empty or unreadable bounds mean
// 00:00:00 and 23:59:59.
void MakeRandTime(std::string& out, std::string_view fromText, std::string_view toText,
                  const DateTimeOptions& options);
// Appends a random date, the run's separator and a random time (as
// MakeRandTime writes it), drawn as one instant between two bounds read by
// ReadDateTime; a bound that cannot be read is the open end of the year window.
void MakeRandDateTime(std::string& out, std::string_view fromText, std::string_view toText,
                      std::string_view format, const DateTimeOptions& options);

// Positional readers: each token of the format gives the field at the same
// position of the text; fields the text does not reach stay 0.
// Returns 1 when the format holds "YYYY" (a long year), else 0.
int ParseDateInFormat(std::string_view text, std::string_view format, int& day, int& month, int& year);
// The time is read where AppendTimeText writes each field, which differs from
// the format only after a zone ("TZ" is written in six characters). With a
// 12-hour mark in the format, the text's "AM" or "PM" moves an hour of 1..12
// onto the 24-hour clock (12 AM is 0); an hour above 12 is taken as it is.
void ParseTimeInFormat(std::string_view text, std::string_view format, int& hour, int& minute, int& second);

// Random date or time between two bounds written in `format`, drawn for the
// date and time pattern functions and written as MakeDate and MakeTime write
// (a zone as +00:00). A bound must have the length of a value written in the
// format. A bound of two characters or fewer takes the default; a
// bound starting with "$" is evaluated as a pattern, one starting with "#" or
// "@" is a variable (both through `host`, which may be null when neither
// occurs). Returns 0 and sets `out`, or the error code (200, 201, 204, 205,
// 207, 300..302) with `message`, leaving `out` empty.
int RandomDateInFormat(std::string& out, std::string& message, std::string_view format,
                       std::string_view from, std::string_view to, PatternHost* host);
int RandomTimeInFormat(std::string& out, std::string& message, std::string_view format,
                       std::string_view from, std::string_view to, PatternHost* host);
