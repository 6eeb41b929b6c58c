#include "plenkor/Generators.h"

#include <gtest/gtest.h>

#include <set>

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
