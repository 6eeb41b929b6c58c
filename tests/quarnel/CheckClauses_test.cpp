// Reading check-constraint texts, in the forms SQLite keeps and PostgreSQL
// deparses, as conditions on one column.
#include <gtest/gtest.h>

#include "quarnel/CheckClauses.h"

namespace {

struct ClauseCase {
  const char* text;
  const char* column;
  // Conditions as "op:v1,v2;op:v" and failures as their count.
  const char* conditions;
  size_t failures;
};

std::string Describe(const CheckReading& reading) {
  std::string out;
  for (const CheckCondition& c : reading.conditions) {
    if (!out.empty()) out += ";";
    out += c.op + ":";
    for (size_t i = 0; i < c.values.size(); ++i) out += (i ? "," : "") + c.values[i];
  }
  return out;
}

class CheckClausesTest : public ::testing::TestWithParam<ClauseCase> {};

TEST_P(CheckClausesTest, ReadsConditionsOfTheColumn) {
  const ClauseCase& c = GetParam();
  CheckReading reading;
  ReadCheckClauses(c.text, c.column, &reading);
  EXPECT_EQ(Describe(reading), c.conditions) << c.text;
  EXPECT_EQ(reading.failures.size(), c.failures) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CheckClausesTest,
    ::testing::Values(
        // SQLite keeps the text as written.
        ClauseCase{"qty > 0", "qty", ">:0", 0},
        ClauseCase{"QTY >= 1", "qty", ">=:1", 0},
        ClauseCase{"0 < qty", "qty", ">:0", 0},
        ClauseCase{"qty <= -5", "qty", "<=:-5", 0},
        ClauseCase{"credit_limit >= 0 AND credit_limit <= 50000", "credit_limit", ">=:0;<=:50000", 0},
        ClauseCase{"in_stock BETWEEN 0 AND 10000", "in_stock", "BETWEEN:0,10000", 0},
        ClauseCase{"status IN ('NEW', 'PAID', 'it''s')", "status", "IN:NEW,PAID,it's", 0},
        ClauseCase{"kind = 'A' OR kind = 'B'", "kind", "IN:A,B", 0},
        ClauseCase{"(a > 1) and (b < 2)", "b", "<:2", 0},
        ClauseCase{"price > 0.5", "price", ">:0.5", 0},
        ClauseCase{"\"Qty\" < 10", "qty", "<:10", 0},
        // PostgreSQL's deparsed forms.
        ClauseCase{"(price > (0)::numeric)", "price", ">:0", 0},
        ClauseCase{"((in_stock >= 0) AND (in_stock <= 10000))", "in_stock", ">=:0;<=:10000", 0},
        ClauseCase{"((status)::text = ANY ((ARRAY['NEW'::character varying, 'PAID'::character varying])::text[]))",
                   "status", "IN:NEW,PAID", 0},
        ClauseCase{"(qty > '-1'::integer)", "qty", ">:-1", 0},
        // Clauses on other columns pass unread; unreadable ones on this column fail.
        ClauseCase{"other > 5", "qty", "", 0},
        ClauseCase{"length(name) > 3", "name", "", 1},
        ClauseCase{"end_date > start_date", "end_date", "", 1},
        ClauseCase{"qty <> 3 AND qty < 9", "qty", "<:9", 1},
        ClauseCase{"qty > 1 OR qty < -1", "qty", "", 1},
        ClauseCase{"qty > 'unterminated", "qty", "", 1},
        ClauseCase{"qty IN (1, 2,)", "qty", "", 1},
        ClauseCase{"", "qty", "", 0}));

TEST(CheckClauses, FailureKeepsTheClauseAsWritten) {
  CheckReading reading;
  ReadCheckClauses("qty >= 1 AND lower(qty) = 'x'", "qty", &reading);
  ASSERT_EQ(reading.failures.size(), 1u);
  EXPECT_EQ(reading.failures[0], "lower(qty) = 'x'");
  EXPECT_EQ(Describe(reading), ">=:1");
}

}  // namespace
