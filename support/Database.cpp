#include "support/Database.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "support/TextUtil.h"

int ServerKindFromDbmsName(const std::string& dbmsName) {
  const std::string name = ToLowerAscii(dbmsName);
  auto has = [&](const char* word) { return name.find(word) != std::string::npos; };
  if (has("oracle")) return kServerOracle;
  if (has("microsoft sql server") || has("sql server")) return kServerMsSql;
  if (has("mysql") || has("mariadb")) return kServerMySql;
  if (has("postgres")) return kServerPostgres;
  if (has("sqlite")) return kServerSqlite;
  return kServerOther;
}

namespace {

// Words that every server reserves and that make a column or table name
// unusable without quotes.
constexpr std::array<const char*, 40> kReservedWords = {
    "all",    "alter",  "and",    "as",     "asc",    "between", "by",     "case",
    "check",  "column", "constraint", "create", "default", "delete", "desc",  "distinct",
    "drop",   "else",   "from",   "group",  "having", "in",      "index",  "insert",
    "into",   "is",     "join",   "key",    "like",   "not",     "null",   "on",
    "or",     "order",  "primary", "select", "table", "to",      "union",  "where"};

bool IsQuoted(const std::string& name) {
  if (name.size() < 2) return false;
  char open = name.front(), close = name.back();
  return (open == '"' && close == '"') || (open == '[' && close == ']') || (open == '`' && close == '`');
}

}  // namespace

bool CDB::NeedsQuote(const std::string& name) const {
  if (name.empty() || IsQuoted(name)) return false;
  if (std::isdigit(static_cast<unsigned char>(name[0]))) return true;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) || c == '_' || u >= 0x80)) return true;
    // PostgreSQL folds unquoted names to lower case: a name read from its
    // catalogue with upper-case letters only keeps its meaning in quotes.
    if (serverKind_ == kServerPostgres && std::isupper(u)) return true;
  }
  const std::string lower = ToLowerAscii(name);
  return std::any_of(kReservedWords.begin(), kReservedWords.end(),
                     [&](const char* word) { return lower == word; });
}

std::string CDB::QuotedStr(const std::string& name, int force) const {
  if (IsQuoted(name) || !(force || NeedsQuote(name))) return name;
  std::string out(1, quoteOpen_);
  for (char c : name) {
    out += c;
    if (c == quoteClose_) out += c;
  }
  out += quoteClose_;
  return out;
}

std::string CDB::QualifiedName(const std::string& table) const {
  std::string owner, name;
  // An owner written in the name is always kept; the connection's own only
  // when names are qualified with it.
  PrepareOwner(&owner, &name, qualifyOwner() ? Owner() : std::string(), table, 1);
  return owner.empty() ? name : owner + "." + name;
}

std::string CDB::BinaryLiteral(std::string_view bytes) const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  switch (serverKind_) {
    case kServerPostgres: return "decode('" + hex + "','hex')";
    case kServerMsSql: return "0x" + hex;
    case kServerOracle: return "hextoraw('" + hex + "')";
    default: return "X'" + hex + "'";
  }
}

void CDB::PrepareOwner(std::string* owner, std::string* name, const std::string& defaultOwner,
                       const std::string& table, int quote) const {
  // Find the dot that separates owner and name, outside quotes.
  size_t dot = std::string::npos;
  char inQuote = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    char c = table[i];
    if (inQuote) {
      if (c == inQuote) inQuote = 0;
    } else if (c == '"' || c == '`') {
      inQuote = c;
    } else if (c == '[') {
      inQuote = ']';
    } else if (c == '.') {
      dot = i;
      break;
    }
  }
  std::string ownerPart = dot == std::string::npos ? defaultOwner : table.substr(0, dot);
  std::string namePart = dot == std::string::npos ? table : table.substr(dot + 1);
  ownerPart = UnquoteIdentifier(TrimText(ownerPart));
  namePart = UnquoteIdentifier(TrimText(namePart));
  if (quote) {
    *owner = ownerPart.empty() ? "" : QuotedStr(ownerPart);
    *name = QuotedStr(namePart);
  } else {
    *owner = ownerPart;
    *name = namePart;
  }
}

std::unique_ptr<CPreparedInsert> CDB::PrepareInsert(const std::string&, const std::string&, int* status) {
  *status = kDbNotBound;
  return nullptr;
}

int CDB::GetDateFormat(std::string* format) const {
  switch (serverKind_) {
    case kServerOracle:
      *format = "DD-MON-YYYY";
      break;
    case kServerMsSql:
      *format = "YYYY-MM-DD";
      break;
    default:
      *format = "YYYY-MM-DD";
  }
  return kDbOk;
}

void AppendLiteralText(std::string& out, std::string_view text, bool backslashEscapes) {
  for (char c : text) {
    if (c == '\'') {
      out += "''";
    } else if (backslashEscapes && c == '\\') {
      out += "\\\\";
    } else if (backslashEscapes && c == '\0') {
      out += "\\0";
    } else {
      out += c;
    }
  }
}

void CDB::AppendTextLiteral(std::string& out, std::string_view text) const {
  if (NulNeedsHex(text)) {
    out += BinaryLiteral(text);
    return;
  }
  out += '\'';
  AppendLiteralText(out, text, backslashEscapes_);
  out += '\'';
}
