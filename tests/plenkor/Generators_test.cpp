#include "plenkor/Generators.h"

#include <gtest/gtest.h>

#include <set>

#include "support/DateTimeText.h"

namespace {

struct NameCase {
  std::string field;
  std::string label;
};

class NameMatchTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameMatchTest, ProposesTheGeneratorOfAKnownColumnName) {
  EXPECT_EQ(MatchGenerator(GetParam().field), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Names, NameMatchTest,
                         ::testing::Values(NameCase{"E-Mail", "e-mail"}, NameCase{"mail", ""},
                                           NameCase{"EMAIL", "e-mail"}, NameCase{"Fax No", "Phone"},
                                           NameCase{"postal_code", "ZIP Code"}, NameCase{"Name", "Full Name"},
                                           NameCase{"first_name", "First Name"}, NameCase{"LastName", "Last Name"},
                                           NameCase{"shipper", "Industry"}, NameCase{"homepage", "Site"},
                                           NameCase{"IP-Address", "IP Address"}, NameCase{"state", "State"},
                                           NameCase{"", ""}, NameCase{"names", ""}));

TEST(GeneratorMenuTest, EveryMatchedLabelIsAMenuEntryAndLabelsAreUnique) {
  std::set<std::string_view> labels;
  for (const GeneratorEntry& entry : GeneratorMenu()) EXPECT_TRUE(labels.insert(entry.label).second) << entry.label;
  EXPECT_EQ(GeneratorMenu().size(), 26u);
  for (std::string_view name : {"email", "phone", "address", "city", "country", "street", "zip", "region", "company",
                                "industry", "department", "site", "position", "name", "firstname", "lastname", "color",
                                "state", "ip"}) {
    EXPECT_NE(FindGenerator(MatchGenerator(name)), nullptr) << name;
  }
  const GeneratorEntry* email = FindGenerator("e-mail");
  ASSERT_NE(email, nullptr);
  EXPECT_EQ(email->pattern, "$Lib(FirstNames)[.$Lib(LastNames)]\\@$Lib(Companies,Domain)");
  EXPECT_EQ(FindGenerator("Phone")->options, GeneratorOptions::kPhone);
  EXPECT_EQ(FindGenerator("nothing"), nullptr);
}

TEST(GeneratorMenuTest, OnlyTheCustomGeneratorTakesTypedPatterns) {
  EXPECT_TRUE(PatternEditable("Custom Generator"));
  EXPECT_TRUE(PatternEditable("custom generator"));
  EXPECT_FALSE(PatternEditable("Random String"));
  EXPECT_FALSE(PatternEditable(""));
}

struct OptionCase {
  std::string built;
  std::string expected;
};

class OptionPatternTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionPatternTest, BuildsThePattern) { EXPECT_EQ(GetParam().built, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Options, OptionPatternTest,
    ::testing::Values(OptionCase{NumberOptions("1", "100", "5", "0", true), "$RInt(1,100,%05d)"},
                      OptionCase{NumberOptions("1", "100", "", "", false), "$RInt(1,100,%d)"},
                      OptionCase{NumberOptions("0", "10", "5", "2", true), "$RFloat(0,10,2,%.2f)"},
                      OptionCase{DateOptions("MM/DD/YYYY", "01/01/2000", "12/31/2010"),
                                 "$RDate(MM/DD/YYYY,01/01/2000,12/31/2010)"},
                      OptionCase{TimeOptions("HH:MM", "08:00", "17:30"), "$RTime(HH:MM,08:00,17:30)"},
                      OptionCase{StringOptions("3", "8"), "A{3:8}"},
                      OptionCase{RegexOptions("[a-z]{3}"), "$Regexp([a-z]{3})"}));

// A pattern read back into an option panel's inputs and built again from
// them: what the panel writes when the user edits none of its inputs. Empty
// when the panel cannot show the pattern.
std::string ReadAndRebuild(GeneratorOptions kind, std::string_view pattern) {
  switch (kind) {
    case GeneratorOptions::kString:
      if (const auto in = ReadStringOptions(pattern)) return StringOptions(std::to_string(in->from), std::to_string(in->to));
      break;
    case GeneratorOptions::kNumber:
      if (const auto in = ReadNumberOptions(pattern)) {
        return NumberOptions(in->from, in->to, in->width > 0 ? std::to_string(in->width) : "",
                             std::to_string(in->decimals), in->leadingZeros);
      }
      break;
    case GeneratorOptions::kDate:
      if (const auto in = ReadDateOptions(pattern)) {
        std::string from, to;
        AppendDateText(from, in->fromDay, in->fromMonth, in->fromYear, in->format);
        AppendDateText(to, in->toDay, in->toMonth, in->toYear, in->format);
        return DateOptions(in->format, from, to);
      }
      break;
    case GeneratorOptions::kTime:
      if (const auto in = ReadTimeOptions(pattern)) {
        std::string from, to;
        AppendTimeText(from, in->fromHour, in->fromMinute, in->fromSecond, 0, 0, in->format);
        AppendTimeText(to, in->toHour, in->toMinute, in->toSecond, 0, 0, in->format);
        return TimeOptions(in->format, from, to);
      }
      break;
    case GeneratorOptions::kRegex:
      if (const auto in = ReadRegexOptions(pattern)) return RegexOptions(*in);
      break;
    default: break;
  }
  return {};
}

struct ReadCase {
  GeneratorOptions kind;
  std::string pattern;
  std::string rebuilt;
  friend void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.pattern; }
};

class OptionReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(OptionReadTest, PanelsShowWhatThePatternGenerates) {
  EXPECT_EQ(ReadAndRebuild(GetParam().kind, GetParam().pattern), GetParam().rebuilt) << GetParam().pattern;
}

using enum GeneratorOptions;
// A pattern the panel shows as it is, and one it cannot show.
ReadCase Same(GeneratorOptions kind, std::string pattern) { return {kind, pattern, pattern}; }
ReadCase Unreadable(GeneratorOptions kind, std::string pattern) { return {kind, std::move(pattern), {}}; }

INSTANTIATE_TEST_SUITE_P(
    Patterns, OptionReadTest,
    ::testing::Values(
        // What the builders make reads back to itself.
        Same(kString, "A{3:8}"), Same(kNumber, "$RInt(1,100,%05d)"),
        Same(kNumber, "$RInt(-5,5,%d)"), Same(kNumber, "$RInt(1,100,%7d)"),
        Same(kNumber, "$RFloat(1000,9000,2,%.2f)"),
        Same(kNumber, "$RFloat(0.5,1.25,3,%.3f)"),
        Same(kDate, "$RDate(MM/DD/YYYY,01/01/2000,12/31/2010)"),
        Same(kDate, "$RDate(DD-mon-YYYY,05-mar-1999,06-apr-2001)"),
        Same(kTime, "$RTime(HH:MM,08:00,17:30)"),
        Same(kTime, "$RTime(HH:MM:SS AM,01:02:03 AM,11:00:00 PM)"),
        Same(kRegex, "$Regexp([a-z]{3}(x|y))"),
        // Short forms read as what the pattern engine generates for them.
        ReadCase{kString, "A", "A{1:1}"}, ReadCase{kString, "A{8}", "A{1:8}"}, ReadCase{kString, "A{=4}", "A{4:4}"},
        ReadCase{kString, "A{2;6}", "A{2:6}"}, ReadCase{kNumber, "$RInt()", "$RInt(0,32000,%d)"},
        ReadCase{kNumber, "$rint(3,4)", "$RInt(3,4,%d)"}, ReadCase{kNumber, "$RFloat(1,2)", "$RFloat(1,2,2,%.2f)"},
        ReadCase{kDate, "$RDate()", "$RDate(DD.MM.YYYY,01.01.1950,31.12.2050)"},
        ReadCase{kDate, "$RDate(DD.MM.YYYY,1.2.2003)", "$RDate(DD.MM.YYYY,01.02.2003,31.12.2050)"},
        ReadCase{kTime, "$RTime()", "$RTime(HH:MM:SS,00:00:00,23:59:59)"},
        // What no panel input holds.
        Unreadable(kString, "A{3:8}x"), Unreadable(kString, "a{3:8}"), Unreadable(kString, "A{999999}"),
        Unreadable(kNumber, "$RInt($Inc(),9)"), Unreadable(kNumber, "$RInt(1,2,%x)"),
        Unreadable(kNumber, "$RInt(1,2,%99d)"), Unreadable(kNumber, "$RInt(a,2)"),
        Unreadable(kNumber, "$RInt(1,2,%d,4)"), Unreadable(kNumber, "$RFloat(1,2,2,%.5f)"),
        Unreadable(kNumber, "$RFloat(1,2,0)"), Unreadable(kNumber, "$RFloat(1,2,2,%.2f,1,3)"),
        Unreadable(kNumber, "$RInt(1,100"), Unreadable(kNumber, ""),
        Unreadable(kDate, "$RDate(DD.MM.YYYY,31.02.2003,01.01.2004)"), Unreadable(kDate, "$RDate(xyz)"),
        Unreadable(kTime, "$RTime(HH:MM,25:00,26:00)"), Unreadable(kRegex, "$Regexp(")));

TEST(GeneratorTypeTest, DateTimeAndNumberGeneratorsDecideTheFieldType) {
  EXPECT_EQ(GeneratorFieldType(kNumber, "$RInt(1,100,%d)"), "Integer");
  EXPECT_EQ(GeneratorFieldType(kNumber, "$RFloat(1,100,2,%.2f)"), "String");
  EXPECT_EQ(GeneratorFieldType(kNumber, "$RInt($Inc(),9)"), "");
  EXPECT_EQ(GeneratorFieldType(kDate, "$RDate()"), "Date");
  EXPECT_EQ(GeneratorFieldType(kTime, "$RTime()"), "Time");
  EXPECT_EQ(GeneratorFieldType(kString, "A{1:5}"), "");
  EXPECT_EQ(GeneratorFieldType(kPhone, "NNN"), "");
}

struct LocaleCase {
  std::string cFormat;
  std::string entry;
};

class LocaleDateTest : public ::testing::TestWithParam<LocaleCase> {};
TEST_P(LocaleDateTest, OrderAndSeparatorComeFromTheLocale) {
  EXPECT_EQ(LocaleDateFormat(GetParam().cFormat), GetParam().entry);
}
INSTANTIATE_TEST_SUITE_P(Dates, LocaleDateTest,
                         ::testing::Values(LocaleCase{"%m/%d/%y", "MM/DD/YYYY"}, LocaleCase{"%d.%m.%Y", "DD.MM.YYYY"},
                                           LocaleCase{"%Y-%m-%d", "YYYY-MM-DD"}, LocaleCase{"%D", "MM/DD/YYYY"},
                                           LocaleCase{"%F", "YYYY-MM-DD"}, LocaleCase{"%d/%m/%Y", "DD/MM/YYYY"},
                                           LocaleCase{"", "MM/DD/YYYY"}, LocaleCase{"%", "MM/DD/YYYY"}));

class LocaleTimeTest : public ::testing::TestWithParam<LocaleCase> {};
TEST_P(LocaleTimeTest, SeparatorAndClockComeFromTheLocale) {
  EXPECT_EQ(LocaleTimeFormat(GetParam().cFormat), GetParam().entry);
}
INSTANTIATE_TEST_SUITE_P(Times, LocaleTimeTest,
                         ::testing::Values(LocaleCase{"%H:%M:%S", "HH:MM:SS"}, LocaleCase{"%r", "HH:MM:SS AM"},
                                           LocaleCase{"%I:%M:%S %p", "HH:MM:SS AM"}, LocaleCase{"%H.%M.%S", "HH.MM.SS"},
                                           LocaleCase{"%T", "HH:MM:SS"}, LocaleCase{"", "HH:MM:SS"}));

TEST(FormatListTest, LocaleEntryIsSelectedAndAddedWhenNew) {
  FormatList dates = DateFormats("%m/%d/%Y");
  EXPECT_EQ(dates.items.size(), 5u);
  EXPECT_EQ(dates.items[dates.selected], "MM/DD/YYYY");
  dates = DateFormats("%d.%m.%Y");
  EXPECT_EQ(dates.items[dates.selected], "DD.MM.YYYY");
  dates = DateFormats("%Y-%m-%d");
  EXPECT_EQ(dates.items.size(), 6u);
  EXPECT_EQ(dates.selected, 5u);
  EXPECT_EQ(dates.items[5], "YYYY-MM-DD");
  const FormatList times = TimeFormats("%r");
  EXPECT_EQ(times.items[times.selected], "HH:MM:SS AM");
  EXPECT_EQ(times.items.size(), 5u);
  EXPECT_EQ(PhoneFormats().items.size(), 8u);
  EXPECT_EQ(PhoneFormats().items[0], "\\(NNN\\) NNNNNNN");
  EXPECT_EQ(AddressFormats().items[2], "$RInt(1,250), $Lib(Streets), $Lib(Cities), NNNN");
  EXPECT_FALSE(DateFormats().items.empty());
  EXPECT_FALSE(TimeFormats().items.empty());
}

}  // namespace
