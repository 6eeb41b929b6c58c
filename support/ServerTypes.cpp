#include "support/ServerTypes.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "support/Database.h"
#include "support/TextUtil.h"

namespace {

// Separates the items of one aggregated catalogue text.
constexpr char kItemSeparator = '\x1f';

std::vector<std::string> SplitItems(const std::string& text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  size_t start = 0;
  for (size_t end; (end = text.find(kItemSeparator, start)) != std::string::npos; start = end + 1)
    items.push_back(text.substr(start, end - start));
  items.push_back(text.substr(start));
  return items;
}

// Runs `sql` and hands each row to `row` as a function from a 1-based column
// to its text.
template <typename Row>
int ForEachRow(CDB& db, const std::string& sql, Row row) {
  std::unique_ptr<CStmt> stmt = db.NewStmt();
  int status = db.Exec(sql, stmt.get());
  if (!CDB::isOK(status)) return status;
  while (CDB::isOK(db.Fetch(stmt.get()))) {
    row([&](int col) {
      std::string text;
      long ind = 0;
      if (!CDB::isOK(db.GetDataAsText(col, &text, &ind, stmt.get())) || ind < 0) text.clear();
      return text;
    });
  }
  return kDbOk;
}

std::string SchemaOf(const CDB& db, const std::string& owner) {
  return UnquoteIdentifier(owner.empty() ? db.Owner() : owner);
}

// "CHECK (((VALUE >= 1901) AND (VALUE <= 2155)))" of a domain, written about
// `column`: "((column >= 1901) AND (column <= 2155))".
std::string DomainCheckAbout(std::string text, const std::string& column) {
  if (ToUpperAscii(text).rfind("CHECK ", 0) == 0) text = TrimText(text.substr(6));
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
  const auto identifier = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {  // a literal is copied whole
      size_t end = text.find('\'', i + 1);
      end = end == std::string::npos ? text.size() : end + 1;
      out.append(text, i, end - i);
      i = end;
    } else if (text.compare(i, 5, "VALUE") == 0 && (i == 0 || !identifier(text[i - 1])) &&
               (i + 5 >= text.size() || !identifier(text[i + 5]))) {
      out += column;
      i += 5;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// The quoted literal after `keyword` in a partition bound such as
// "FOR VALUES FROM ('2022-01-01') TO ('2022-02-01')"; empty for MINVALUE,
// MAXVALUE or a bound of several columns.
std::string BoundAfter(const std::string& bound, const std::string& keyword) {
  const size_t at = bound.find(keyword + " ('");
  if (at == std::string::npos) return {};
  const size_t start = at + keyword.size() + 3;
  const size_t end = bound.find("')", start);
  return end == std::string::npos ? std::string() : bound.substr(start, end - start);
}

int ReadPostgresRanges(CDB& db, const std::string& relation, ServerTableTypes* types) {
  std::string key;
  int status = ForEachRow(db, "select pg_get_partkeydef(" + relation + ")", [&](auto text) { key = text(1); });
  if (!CDB::isOK(status)) return status;
  // Only a range of one plain column: "RANGE (payment_date)".
  if (ToUpperAscii(key).rfind("RANGE (", 0) != 0 || key.back() != ')') return kDbOk;
  const std::string column = key.substr(7, key.size() - 8);
  if (column.find_first_of(",( ") != std::string::npos) return kDbOk;
  std::string low, high;
  bool unbounded = false;
  status = ForEachRow(db,
                      "select pg_get_expr(p.relpartbound, p.oid) from pg_inherits i join pg_class p on p.oid=i.inhrelid "
                      "where i.inhparent=" + relation,
                      [&](auto text) {
                        const std::string bound = text(1);
                        const std::string from = BoundAfter(bound, "FROM"), to = BoundAfter(bound, "TO");
                        if (from.empty() || to.empty()) {
                          unbounded = true;  // DEFAULT, MINVALUE or MAXVALUE
                          return;
                        }
                        if (low.empty() || from < low) low = from;
                        if (high.empty() || to > high) high = to;
                      });
  if (!CDB::isOK(status) || unbounded || low.empty()) return status;
  types->rangeColumn = UnquoteIdentifier(column);
  types->rangeLow = low;
  types->rangeHigh = high;
  return kDbOk;
}

int ReadPostgresTypes(CDB& db, const std::string& table, const std::string& owner, ServerTableTypes* types) {
  const std::string relation = "(select c.oid from pg_class c join pg_namespace n on n.oid=c.relnamespace where c.relname=" +
                               SqlStringLiteral(UnquoteIdentifier(table)) +
                               " and n.nspname=" + SqlStringLiteral(SchemaOf(db, owner)) + ")";
  const std::string separator = "E'\\x1f'";
  const std::string sql =
      "select a.attname, format_type(a.atttypid, a.atttypmod), "
      "lower(case when t.typtype='d' then format_type(t.typbasetype, t.typtypmod) "
      "when t.typcategory='A' then format_type(t.typelem, a.atttypmod) "
      "else format_type(a.atttypid, a.atttypmod) end), "
      "case when t.typcategory='A' then 1 else 0 end, "
      "case when a.attidentity<>'' or a.attgenerated<>'' then 1 else 0 end, "
      "(select string_agg(e.enumlabel, " + separator + " order by e.enumsortorder) from pg_enum e "
      "where e.enumtypid=case when t.typtype='d' then t.typbasetype else a.atttypid end), "
      "(select string_agg(pg_get_constraintdef(k.oid), " + separator + " order by k.conname) from pg_constraint k "
      "where k.contypid=a.atttypid and k.contype='c') "
      "from pg_attribute a join pg_type t on t.oid=a.atttypid "
      "where a.attrelid=" + relation + " and a.attnum>0 and not a.attisdropped order by a.attnum";
  int status = ForEachRow(db, sql, [&](auto text) {
    ServerColumnType column;
    column.column = text(1);
    column.typeName = text(2);
    column.baseType = text(3);
    column.isArray = text(4) == "1";
    column.serverFilled = text(5) == "1";
    column.enumLabels = SplitItems(text(6));
    for (const std::string& check : SplitItems(text(7))) column.checks.push_back(DomainCheckAbout(check, column.column));
    types->columns.push_back(std::move(column));
  });
  if (!CDB::isOK(status)) return status;
  return ReadPostgresRanges(db, relation, types);
}

int ReadSqliteTypes(CDB& db, const std::string& table, ServerTableTypes* types) {
  // hidden: 2 and 3 are generated columns.
  return ForEachRow(db, "select name, type, hidden from pragma_table_xinfo(" + SqlStringLiteral(UnquoteIdentifier(table)) + ")",
                    [&](auto text) {
                      ServerColumnType column;
                      column.column = text(1);
                      column.typeName = text(2);
                      column.baseType = ToLowerAscii(column.typeName);
                      const std::string hidden = text(3);
                      column.serverFilled = hidden == "2" || hidden == "3";
                      types->columns.push_back(std::move(column));
                    });
}

// The labels of "enum('a','b')" or "set('x','it''s')", quotes inside
// doubled or escaped with a backslash.
std::vector<std::string> QuotedLabels(const std::string& type) {
  std::vector<std::string> labels;
  for (size_t i = type.find('\''); i != std::string::npos && i < type.size(); i = type.find('\'', i)) {
    std::string label;
    for (++i; i < type.size(); ++i) {
      if (type[i] == '\\' && i + 1 < type.size()) {
        label += type[++i];
      } else if (type[i] == '\'') {
        if (i + 1 < type.size() && type[i + 1] == '\'') {
          label += type[++i];
        } else {
          break;
        }
      } else {
        label += type[i];
      }
    }
    labels.push_back(std::move(label));
    ++i;
  }
  return labels;
}

// The range of a MySQL integer type: "int(10) unsigned" takes 0 to 4294967295.
void SetMySqlIntegerRange(ServerColumnType* column) {
  struct Range {
    const char* word;
    const char* signedLow;
    const char* signedHigh;
    const char* unsignedHigh;
  };
  static constexpr Range kRanges[] = {
      {"tinyint", "-128", "127", "255"},
      {"smallint", "-32768", "32767", "65535"},
      {"mediumint", "-8388608", "8388607", "16777215"},
      {"int", "-2147483648", "2147483647", "4294967295"},
      {"bigint", "", "", "9223372036854775807"},  // a draw stays within 64 signed bits
  };
  const std::string& type = column->baseType;
  if (type.rfind("year", 0) == 0) {
    column->minValue = "1901";
    column->maxValue = "2155";
    return;
  }
  const bool isUnsigned = type.find(" unsigned") != std::string::npos;
  for (const Range& range : kRanges) {
    const size_t length = std::char_traits<char>::length(range.word);
    if (type.compare(0, length, range.word) != 0 || (type.size() > length && std::isalpha(static_cast<unsigned char>(type[length]))))
      continue;
    column->minValue = isUnsigned ? "0" : range.signedLow;
    column->maxValue = isUnsigned ? range.unsignedHigh : range.signedHigh;
    return;
  }
}

int ReadMySqlTypes(CDB& db, const std::string& table, const std::string& owner, ServerTableTypes* types) {
  const std::string where = " where table_schema=" + SqlStringLiteral(SchemaOf(db, owner)) +
                            " and table_name=" + SqlStringLiteral(UnquoteIdentifier(table));
  // MariaDB keeps JSON as longtext under a check of json_valid(`column`).
  std::vector<std::string> json;
  ForEachRow(db, "select check_clause from information_schema.check_constraints" +
                     std::string(" where constraint_schema=") + SqlStringLiteral(SchemaOf(db, owner)) +
                     " and table_name=" + SqlStringLiteral(UnquoteIdentifier(table)),
             [&](auto text) { json.push_back(ToLowerAscii(text(1))); });
  return ForEachRow(db, "select column_name, column_type, extra from information_schema.columns" + where +
                            " order by ordinal_position",
                    [&](auto text) {
                      ServerColumnType column;
                      column.column = text(1);
                      column.typeName = text(2);
                      column.baseType = ToLowerAscii(column.typeName);
                      const std::string extra = ToLowerAscii(text(3));
                      column.serverFilled = extra.find("auto_increment") != std::string::npos ||
                                            extra.find("generated") != std::string::npos;
                      if (column.baseType.rfind("enum(", 0) == 0 || column.baseType.rfind("set(", 0) == 0)
                        column.enumLabels = QuotedLabels(column.typeName);
                      SetMySqlIntegerRange(&column);
                      const std::string jsonCheck = "json_valid(`" + ToLowerAscii(column.column) + "`)";
                      if (std::find(json.begin(), json.end(), jsonCheck) != json.end()) column.baseType = "json";
                      types->columns.push_back(std::move(column));
                    });
}

}  // namespace

int ReadServerTypes(CDB& db, const std::string& table, const std::string& owner, ServerTableTypes* types) {
  *types = ServerTableTypes();
  if (!db.connected()) return kDbNotConnected;
  if (db.serverKind() == kServerPostgres) return ReadPostgresTypes(db, table, owner, types);
  if (db.serverKind() == kServerSqlite) return ReadSqliteTypes(db, table, types);
  if (db.serverKind() == kServerMySql) return ReadMySqlTypes(db, table, owner, types);
  return kDbOk;
}

int ReadPartitionNames(CDB& db, const std::string& owner, std::vector<std::string>* names) {
  names->clear();
  if (!db.connected()) return kDbNotConnected;
  if (db.serverKind() != kServerPostgres) return kDbOk;
  return ForEachRow(db,
                    "select c.relname from pg_class c join pg_namespace n on n.oid=c.relnamespace "
                    "where c.relispartition and n.nspname=" + SqlStringLiteral(SchemaOf(db, owner)),
                    [&](auto text) { names->push_back(text(1)); });
}
