#include "plenkor/Generators.h"

#include <langinfo.h>

#include <algorithm>

#include "project/Project.h"
#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"
#include "support/TextUtil.h"

namespace {

using enum GeneratorOptions;

constexpr GeneratorEntry kMenu[] = {
    {"General", "Random String", "A", kString, 0},
    {"General", "Random Number", "$RInt()", kNumber, 1},
    {"General", "Random Date", "$RDate()", kDate, 2},
    {"General", "Random Time", "$RTime()", kTime, 3},
    {"General", "Month", "$Lib(Months)", kNone, 4},
    {"General", "Color", "$Lib(Colors)", kNone, 5},
    {"Personal", "Full Name", "$Lib(FullNames)", kNone, 6},
    {"Personal", "First Name", "$Lib(FirstNames)", kNone, 7},
    {"Personal", "Last Name", "$Lib(LastNames)", kNone, 8},
    {"Personal", "Phone", "\\(NNN\\) NNNNNNN", kPhone, 9},
    {"Personal", "e-mail", "$Lib(FirstNames)[.$Lib(LastNames)]\\@$Lib(Companies,Domain)", kNone, 10},
    {"Geographic", "Address", "$RInt(1,250), $Lib(Streets)", kAddress, 11},
    {"Geographic", "Country", "$Lib(Countries)", kNone, 12},
    {"Geographic", "State", "$Lib(US_States)", kNone, 13},
    {"Geographic", "City", "$Lib(Cities)", kNone, 14},
    {"Geographic", "Street", "$Lib(Streets)", kNone, 15},
    {"Geographic", "ZIP Code", "NNNN", kNone, 16},
    {"Geographic", "Region", "$Lib(Region)", kNone, 17},
    {"Business", "Company", "$Lib(Companies)", kNone, 18},
    {"Business", "Industry", "$Lib(Industries)", kNone, 19},
    {"Business", "Department", "$Lib(Departments)", kNone, 20},
    {"Business", "Position", "$Lib(Occupations)", kNone, 21},
    {"Business", "Site", "www.$Lib(Companies,Domain)", kNone, 22},
    {"Business", "IP Address", "$Rint(0,255).$Rint(0,255).$Rint(0,255).$Rint(0,255)", kNone, 23},
    {"", "Regular Expression", "", kRegex, 24},
    {"", "Custom Generator", "", kNone, 25},
};

struct NameMatch {
  std::string_view column;
  std::string_view label;
};

// Order matters: the first match wins.
constexpr NameMatch kNameMatches[] = {
    {"email", "e-mail"},        {"e-mail", "e-mail"},
    {"phone", "Phone"},         {"phone no", "Phone"},         {"phoneno", "Phone"},
    {"fax", "Phone"},           {"fax no", "Phone"},           {"faxno", "Phone"},
    {"address", "Address"},     {"city", "City"},              {"country", "Country"},
    {"street", "Street"},       {"zip", "ZIP Code"},           {"zipcode", "ZIP Code"},
    {"zip-code", "ZIP Code"},   {"zip_code", "ZIP Code"},      {"postalcode", "ZIP Code"},
    {"postal code", "ZIP Code"}, {"postal_code", "ZIP Code"},  {"region", "Region"},
    {"company", "Company"},     {"firm", "Company"},           {"organization", "Company"},
    {"industry", "Industry"},   {"supplier", "Industry"},      {"shipper", "Industry"},
    {"department", "Department"}, {"site", "Site"},            {"web site", "Site"},
    {"url", "Site"},            {"homepage", "Site"},          {"website", "Site"},
    {"web-site", "Site"},       {"position", "Position"},      {"occupation", "Position"},
    {"profession", "Position"}, {"name", "Full Name"},         {"fullname", "Full Name"},
    {"full name", "Full Name"}, {"firstname", "First Name"},   {"first name", "First Name"},
    {"first_name", "First Name"}, {"lastname", "Last Name"},   {"last name", "Last Name"},
    {"last_name", "Last Name"}, {"color", "Color"},            {"state", "State"},
    {"ip", "IP Address"},       {"ip address", "IP Address"},  {"ip-address", "IP Address"},
    {"ip_address", "IP Address"},
};

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out += part;
  return out;
}

FormatList WithLocaleEntry(std::vector<std::string> items, std::string entry) {
  FormatList list{std::move(items), 0};
  auto found = std::ranges::find(list.items, entry);
  list.selected = static_cast<size_t>(found - list.items.begin());
  if (found == list.items.end()) list.items.push_back(std::move(entry));
  return list;
}

// The C library's composite conversions, spelled out so one parser reads them.
std::string ExpandComposites(std::string_view format) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char c = format[++i];
    if (c == 'E' || c == 'O') {  // alternative-representation modifiers
      if (i + 1 == format.size()) break;
      c = format[++i];
    }
    switch (c) {
      case 'D': out += "%m/%d/%y"; break;
      case 'F': out += "%Y-%m-%d"; break;
      case 'T': out += "%H:%M:%S"; break;
      case 'R': out += "%H:%M"; break;
      case 'r': out += "%I:%M:%S %p"; break;
      default: out += '%'; out += c; break;
    }
  }
  return out;
}

// The year window of a run, which an omitted date bound opens onto.
constexpr int kRunYearFrom = 1950;
constexpr int kRunYearTo = 2050;

// The parameters of "$name(...)" when `pattern` is one call of `name` (any
// case) whose parameters are plain texts: no nested call, bracket or escape.
std::optional<std::vector<std::string_view>> CallParameters(std::string_view pattern, std::string_view name) {
  const size_t open = name.size() + 1;
  if (pattern.size() < open + 2 || pattern[0] != '$' || !EqualsNoCase(pattern.substr(1, name.size()), name) ||
      pattern[open] != '(' || pattern.back() != ')') {
    return std::nullopt;
  }
  const std::string_view body = pattern.substr(open + 1, pattern.size() - open - 2);
  if (body.find_first_of("()$\\[]{}") != std::string_view::npos) return std::nullopt;
  std::vector<std::string_view> parameters;
  if (body.empty()) return parameters;
  size_t start = 0;
  for (size_t comma = body.find(','); ; comma = body.find(',', start)) {
    parameters.push_back(body.substr(start, comma == std::string_view::npos ? body.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parameters;
}

std::string_view Parameter(const std::vector<std::string_view>& parameters, size_t i, std::string_view fallback) {
  return i < parameters.size() && !parameters[i].empty() ? parameters[i] : fallback;
}

// What the number panel's value boxes accept: an optional minus, up to 18
// digits, and up to 9 decimals after a point.
bool IsPanelNumber(std::string_view text) {
  if (!text.empty() && text[0] == '-') text.remove_prefix(1);
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == text.npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part, size_t most) {
    return part.size() <= most && std::ranges::all_of(part, [](char c) { return c >= '0' && c <= '9'; });
  };
  return !whole.empty() && digits(whole, 18) && digits(fraction, 9);
}

}  // namespace

std::span<const GeneratorEntry> GeneratorMenu() { return kMenu; }

const GeneratorEntry* FindGenerator(std::string_view label) {
  for (const GeneratorEntry& entry : kMenu) {
    if (entry.label == label) return &entry;
  }
  return nullptr;
}

bool PatternEditable(std::string_view label) { return EqualsNoCase(label, "Custom Generator"); }

std::string_view MatchGenerator(std::string_view fieldName) {
  for (const NameMatch& match : kNameMatches) {
    if (EqualsNoCase(match.column, fieldName)) return match.label;
  }
  return {};
}

std::string StringOptions(std::string_view from, std::string_view to) {
  return Concat({"A{", from, ":", to, "}"});
}

std::string NumberOptions(std::string_view from, std::string_view to, std::string_view width,
                          std::string_view decimals, bool leadingZeros) {
  if (LeadingInteger(decimals) < 1) {
    return Concat({"$RInt(", from, ",", to, ",%", leadingZeros ? "0" : "", width, "d)"});
  }
  return Concat({"$RFloat(", from, ",", to, ",", decimals, ",%.", decimals, "f)"});
}

std::string DateOptions(std::string_view format, std::string_view from, std::string_view to) {
  return Concat({"$RDate(", format, ",", from, ",", to, ")"});
}

std::string TimeOptions(std::string_view format, std::string_view from, std::string_view to) {
  return Concat({"$RTime(", format, ",", from, ",", to, ")"});
}

std::string RegexOptions(std::string_view expression) { return Concat({"$Regexp(", expression, ")"}); }

std::string LocaleDateFormat(std::string_view localeDateFormat) {
  const std::string format = ExpandComposites(localeDateFormat);
  // Field order as the positions of day, month and year, and the first
  // separator between two fields.
  size_t day = std::string::npos, month = std::string::npos, year = std::string::npos;
  char separator = 0;
  bool afterField = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char c = format[++i];
      if (c == 'd' || c == 'e') day = std::min(day, i);
      else if (c == 'm' || c == 'b' || c == 'h') month = std::min(month, i);
      else if (c == 'Y' || c == 'y' || c == 'C' || c == 'G') year = std::min(year, i);
      afterField = true;
    } else if (afterField && separator == 0 && format[i] != ' ') {
      separator = format[i];
    }
  }
  if (separator == 0) separator = '/';
  // Year first reads year, month, day: no locale puts the day between.
  std::string entry = year < month && year < day ? "YYYY/MM/DD"
                      : day < month              ? "DD/MM/YYYY"
                                                 : "MM/DD/YYYY";
  std::ranges::replace(entry, '/', separator);
  return entry;
}

std::string LocaleTimeFormat(std::string_view localeTimeFormat) {
  const std::string format = ExpandComposites(localeTimeFormat);
  char separator = ':';
  const size_t hour = format.find_first_of("HIkl", format.find('%'));
  if (hour != std::string::npos && hour + 1 < format.size() && format[hour + 1] != '%') {
    separator = format[hour + 1];
  }
  const bool twelveHour = format.find("%I") != std::string::npos || format.find("%l") != std::string::npos ||
                          format.find("%p") != std::string::npos || format.find("%P") != std::string::npos;
  std::string entry = "HH:MM:SS";
  std::ranges::replace(entry, ':', separator);
  if (twelveHour) entry += " AM";
  return entry;
}

FormatList DateFormats(std::string_view localeDateFormat) {
  return WithLocaleEntry({"DD.MM.YY", "DD.MM.YYYY", "MM.DD.YYYY", "MM/DD/YYYY", "DD-mon-YYYY"},
                         LocaleDateFormat(localeDateFormat));
}

FormatList TimeFormats(std::string_view localeTimeFormat) {
  return WithLocaleEntry({"HH:MM:SS", "HH:MM", "HH:MM:SS.sss", "HH:MM:SS AM", "HH:MM AM"},
                         LocaleTimeFormat(localeTimeFormat));
}

FormatList DateFormats() { return DateFormats(nl_langinfo(D_FMT)); }
FormatList TimeFormats() { return TimeFormats(nl_langinfo(T_FMT)); }

FormatList PhoneFormats() {
  return {{"\\(NNN\\) NNNNNNN", "\\(NNN\\) NNN NNNN", "\\(NNN\\) NNN-NNNN", "\\(NNN\\) NNN NN NN", "NNN NNN NN NN",
           "+N \\(NNN\\) NNN NNNN", "NNN-NNNN", "NNN-NN-NN"},
          0};
}

FormatList AddressFormats() {
  return {{"$RInt(1,250), $Lib(Streets)", "$RInt(1,250), $Lib(Streets), $Lib(Cities)",
           "$RInt(1,250), $Lib(Streets), $Lib(Cities), NNNN"},
          0};
}

std::optional<StringInputs> ReadStringOptions(std::string_view pattern) {
  if (pattern == "A") return StringInputs{1, 1};
  if (pattern.size() < 4 || pattern.substr(0, 2) != "A{" || pattern.back() != '}') return std::nullopt;
  std::string_view repeat = pattern.substr(2, pattern.size() - 3);
  const size_t colon = repeat.find_first_of(":;");
  if (colon == std::string_view::npos) {
    // "{=n}" exactly n, "{n}" 1 to n.
    const bool exact = repeat.starts_with('=');
    const std::optional<int> count = WholeNumber(repeat.substr(exact ? 1 : 0), exact ? 0 : 1, kMaxStringLength);
    if (!count) return std::nullopt;
    return StringInputs{exact ? *count : 1, *count};
  }
  std::string_view low = repeat.substr(0, colon);
  if (low.starts_with('=')) low.remove_prefix(1);
  const std::optional<int> from = WholeNumber(low, 0, kMaxStringLength);
  const std::optional<int> to = WholeNumber(repeat.substr(colon + 1), 0, kMaxStringLength);
  if (!from || !to) return std::nullopt;
  return StringInputs{*from, std::max(*from, *to)};
}

std::optional<NumberInputs> ReadNumberOptions(std::string_view pattern) {
  NumberInputs inputs;
  if (const auto parameters = CallParameters(pattern, "RInt")) {
    if (parameters->size() > 3) return std::nullopt;
    inputs.from = Parameter(*parameters, 0, "0");
    inputs.to = Parameter(*parameters, 1, "32000");
    // The format: "%d", or with leading zeros and a width, "%05d".
    std::string_view format = Parameter(*parameters, 2, "%d");
    if (!format.starts_with('%') || !(format.ends_with('d') || format.ends_with('i'))) return std::nullopt;
    format = format.substr(1, format.size() - 2);
    inputs.leadingZeros = format.starts_with('0');
    if (inputs.leadingZeros) format.remove_prefix(1);
    if (!format.empty()) {
      const std::optional<int> width = WholeNumber(format, 1, kMaxNumberWidth);
      if (!width) return std::nullopt;
      inputs.width = *width;
    }
  } else if (const auto parameters = CallParameters(pattern, "RFloat")) {
    if (parameters->size() > 4) return std::nullopt;
    inputs.from = Parameter(*parameters, 0, "0");
    inputs.to = Parameter(*parameters, 1, "1000000");
    const std::optional<int> decimals = WholeNumber(Parameter(*parameters, 2, "2"), 1, kMaxDecimals);
    if (!decimals) return std::nullopt;
    inputs.decimals = *decimals;
    // The panel writes the format of its decimals; another one it cannot show.
    const std::string format = "%." + std::to_string(*decimals) + "f";
    if (parameters->size() > 3 && (*parameters)[3] != format) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (!IsPanelNumber(inputs.from) || !IsPanelNumber(inputs.to)) return std::nullopt;
  return inputs;
}

std::optional<DateInputs> ReadDateOptions(std::string_view pattern) {
  const auto parameters = CallParameters(pattern, "RDate");
  if (!parameters || parameters->size() > 3) return std::nullopt;
  DateInputs inputs;
  inputs.format = Parameter(*parameters, 0, "DD.MM.YYYY");
  if (!DateFormatInfo(inputs.format).hasDateToken ||
      DateScanLowLevel(Parameter(*parameters, 1, ""), inputs.fromDay, inputs.fromMonth, inputs.fromYear, 1,
                       inputs.format, kRunYearFrom, kRunYearTo) != 0 ||
      DateScanLowLevel(Parameter(*parameters, 2, ""), inputs.toDay, inputs.toMonth, inputs.toYear, 0, inputs.format,
                       kRunYearFrom, kRunYearTo) != 0) {
    return std::nullopt;
  }
  return inputs;
}

std::optional<TimeInputs> ReadTimeOptions(std::string_view pattern) {
  const auto parameters = CallParameters(pattern, "RTime");
  if (!parameters || parameters->size() > 3) return std::nullopt;
  TimeInputs inputs{std::string(Parameter(*parameters, 0, "HH:MM:SS")), 0, 0, 0, 23, 59, 59};
  // An omitted bound is the start or the end of the day.
  const std::string_view from = Parameter(*parameters, 1, "");
  const std::string_view to = Parameter(*parameters, 2, "");
  if ((!from.empty() &&
       TimeScanLowLevel(from, inputs.fromHour, inputs.fromMinute, inputs.fromSecond, inputs.format) != 0) ||
      (!to.empty() && TimeScanLowLevel(to, inputs.toHour, inputs.toMinute, inputs.toSecond, inputs.format) != 0)) {
    return std::nullopt;
  }
  return inputs;
}

std::optional<std::string> ReadRegexOptions(std::string_view pattern) {
  constexpr std::string_view kCall = "$Regexp(";
  if (pattern.size() <= kCall.size() || !EqualsNoCase(pattern.substr(0, kCall.size()), kCall) ||
      pattern.back() != ')') {
    return std::nullopt;
  }
  return std::string(pattern.substr(kCall.size(), pattern.size() - kCall.size() - 1));
}

std::string_view GeneratorFieldType(GeneratorOptions kind, std::string_view pattern) {
  switch (kind) {
    case kNumber: {
      const std::optional<NumberInputs> number = ReadNumberOptions(pattern);
      if (!number) return {};
      return number->decimals > 0 ? "String" : "Integer";
    }
    case kDate: return "Date";
    case kTime: return "Time";
    default: return {};
  }
}
