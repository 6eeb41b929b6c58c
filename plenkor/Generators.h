// The predefined generators of plenkor: the menu of ready patterns, the
// option builders that turn a few inputs into a pattern, the format lists the
// option panels offer (with the user's locale entries), and the table that
// proposes a generator for a field from its name. Everything here is a pure
// function of its inputs, so the window and the tests see the same patterns.
#pragma once

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
