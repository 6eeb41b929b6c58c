// The predefined generators of plenkor: the menu of ready patterns, the
// option builders that turn a few inputs into a pattern, the format lists the
// option panels offer (with the user's locale entries), and the table that
// proposes a generator for a field from its name. Everything here is a pure
// function of its inputs, so the window and the tests see the same patterns.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class GeneratorOptions { kNone, kString, kNumber, kDate, kTime, kPhone, kAddress, kRegex };

struct GeneratorEntry {
  std::string_view category;  // empty for the top-level entries
  std::string_view label;
  std::string_view pattern;
  GeneratorOptions options;
  int image;
};

inline constexpr std::string_view kNoOptionsText = "There are no options for this generator type.";

// The menu in order: four categories, then "Regular Expression" and "Custom Generator".
std::span<const GeneratorEntry> GeneratorMenu();
// The entry with `label` (exact), or null.
const GeneratorEntry* FindGenerator(std::string_view label);
// Whether the "Pattern :" box accepts typing for this generator label.
bool PatternEditable(std::string_view label);

// The generator label proposed for a field name, or empty when none matches.
std::string_view MatchGenerator(std::string_view fieldName);

// Option builders; the inputs are the texts of the option panels.
std::string StringOptions(std::string_view from, std::string_view to);
std::string NumberOptions(std::string_view from, std::string_view to, std::string_view width,
                          std::string_view decimals, bool leadingZeros);
std::string DateOptions(std::string_view format, std::string_view from, std::string_view to);
std::string TimeOptions(std::string_view format, std::string_view from, std::string_view to);
std::string RegexOptions(std::string_view expression);

// The ranges of the option panels' inputs.
inline constexpr int kMaxStringLength = 100000;
inline constexpr int kMaxNumberWidth = 30;
inline constexpr int kMaxDecimals = 15;

// The inputs of an option panel read back from a field's pattern: the pattern
// its builder makes, or the function's short forms ("$RInt()", "A{8}"), whose
// omitted parameters read as the values the pattern engine takes for them. A
// reader gives nothing for a pattern its panel cannot show (edited by hand,
// nested functions, parameters the panel has no input for).
struct StringInputs {
  int from = 0;
  int to = 0;
};
struct NumberInputs {
  std::string from;
  std::string to;
  int width = 0;     // 0: no width
  int decimals = 0;  // 0: an integer
  bool leadingZeros = false;
};
struct DateInputs {
  std::string format;
  int fromDay = 0, fromMonth = 0, fromYear = 0;
  int toDay = 0, toMonth = 0, toYear = 0;
};
struct TimeInputs {
  std::string format;
  int fromHour = 0, fromMinute = 0, fromSecond = 0;
  int toHour = 0, toMinute = 0, toSecond = 0;
};
std::optional<StringInputs> ReadStringOptions(std::string_view pattern);
std::optional<NumberInputs> ReadNumberOptions(std::string_view pattern);
std::optional<DateInputs> ReadDateOptions(std::string_view pattern);
std::optional<TimeInputs> ReadTimeOptions(std::string_view pattern);
// The expression of "$Regexp(...)".
std::optional<std::string> ReadRegexOptions(std::string_view pattern);

// The field type (one of kFieldTypes) that the values of a generator's
// pattern have: "Integer" for whole numbers, "String" for numbers with
// decimals, "Date" and "Time" for the date and time generators; empty for
// the others, whose field keeps the type it has.
std::string_view GeneratorFieldType(GeneratorOptions kind, std::string_view pattern);

// A format list with its selected entry.
struct FormatList {
  std::vector<std::string> items;
  size_t selected = 0;
};

// The date formats with the locale's entry built from a C library date
// format (nl_langinfo(D_FMT), e.g. "%d.%m.%Y"), selected and added when new.
FormatList DateFormats(std::string_view localeDateFormat);
// The time formats with the locale's entry built from a C library time
// format (nl_langinfo(T_FMT), e.g. "%H:%M:%S" or "%r").
FormatList TimeFormats(std::string_view localeTimeFormat);
// The same for the current LC_TIME locale.
FormatList DateFormats();
FormatList TimeFormats();
FormatList PhoneFormats();
FormatList AddressFormats();

// The locale entries alone.
std::string LocaleDateFormat(std::string_view localeDateFormat);
std::string LocaleTimeFormat(std::string_view localeTimeFormat);
