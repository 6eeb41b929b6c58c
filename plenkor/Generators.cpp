#include "plenkor/Generators.h"

#include <langinfo.h>

#include <algorithm>

#include "project/Project.h"
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
