#include "GenTmpl/SourceReader.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "GenTmpl/SourceOdbc.h"
#include "GenTmpl/SourceXls.h"

namespace {

bool IsPlainNameChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || c == '#' || u >= 0x80;
}

char CloseQuoteFor(char open) {
  switch (open) {
    case '"':
      return '"';
    case '`':
      return '`';
    case '[':
      return ']';
    default:
      return 0;
  }
}

// Length of the quoted identifier at the start of `text` (its closing quote
// included), or 0 when it is not closed. A doubled closing quote stands for
// one character of the name.
size_t QuotedPartLength(std::string_view text) {
  const char close = CloseQuoteFor(text.front());
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\0') return 0;
    if (text[i] != close) continue;
    if (i + 1 < text.size() && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i > 1 ? i + 1 : 0;  // an empty quoted name is no name
  }
  return 0;
}

bool NeedsBraces(std::string_view value) {
  return value.find_first_of(";{}") != std::string_view::npos ||
         (!value.empty() && (value.front() == ' ' || value.back() == ' '));
}

std::string ConnectValue(std::string_view value) {
  if (!NeedsBraces(value)) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

int SourceReader::Fail(std::string message) {
  error_ = std::move(message);
  return -1;
}

bool SourceReader::Charge(size_t bytes, size_t& budget) {
  if (bytes > budget || budget - bytes < kValueCost) {
    Fail("The source holds more than " + std::to_string(kMaxSourceBytes >> 20) +
         " MiB of values.");
    return false;
  }
  budget -= bytes + kValueCost;
  return true;
}

std::unique_ptr<SourceReader> NewFileSourceReader(int kind) {
  switch (kind) {
    case SourceReader::kAccessFile:
      return std::make_unique<OdbcSourceReader>();
    case SourceReader::kExcelFile:
      return std::make_unique<XlsSourceReader>();
    default:
      return nullptr;
  }
}

bool IsSafeSqlName(std::string_view name) {
  if (name.empty()) return false;
  size_t i = 0;
  for (;;) {
    if (i >= name.size()) return false;  // empty part after a dot
    if (CloseQuoteFor(name[i])) {
      const size_t length = QuotedPartLength(name.substr(i));
      if (length == 0) return false;
      i += length;
    } else {
      const size_t start = i;
      while (i < name.size() && IsPlainNameChar(name[i])) ++i;
      if (i == start) return false;
    }
    if (i == name.size()) return true;
    if (name[i] != '.') return false;
    ++i;
  }
}

bool QuoteSqlName(std::string_view name, char open, char close, std::string& out) {
  if (name.empty()) return false;
  if (CloseQuoteFor(name.front())) {
    if (!IsSafeSqlName(name)) return false;
    out.assign(name);
    return true;
  }
  // A closing quote inside the name would end the quoting early.
  for (char c : name) {
    if (c == close || c == open || c == '\0') return false;
  }
  out.clear();
  out += open;
  out += name;
  out += close;
  return true;
}

bool IsConnectionString(std::string_view source) {
  return source.find('=') != std::string_view::npos;
}

std::string WithCredentials(const std::string& source, const std::string& user,
                            const std::string& password) {
  std::string out = source;
  if (user.empty() && password.empty()) return out;
  if (!out.empty() && out.back() != ';') out += ';';
  if (!user.empty()) out += "UID=" + ConnectValue(user) + ";";
  if (!password.empty()) out += "PWD=" + ConnectValue(password) + ";";
  return out;
}

bool FileConnectString(const std::string& path, int kind, bool readOnly, std::string& out,
                       std::string& error) {
  if (kind != SourceReader::kAccessFile) {
    error = "No ODBC driver reads file sources of kind " + std::to_string(kind) + ".";
    return false;
  }
  std::error_code ec;
  // A device or a pipe handed to the driver could block the run for good.
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    error = "'" + path + "' is not an accessible database file.";
    return false;
  }
  if (NeedsBraces(path)) {
    error = "The path '" + path + "' holds characters a connection string cannot carry.";
    return false;
  }
  out = "DRIVER=MDBTools;DBQ=" + path + ";";
  if (readOnly) out += "ReadOnly=1;";
  return true;
}

bool BuildDistinctStatement(const std::string& table, const std::string& column,
                            const std::string& condition, std::string& sql, std::string& error) {
  if (!IsSafeSqlName(table)) {
    error = "Invalid table name '" + table + "'.";
    return false;
  }
  if (!IsSafeSqlName(column)) {
    error = "Invalid column name '" + column + "'.";
    return false;
  }
  sql = "select distinct " + column + " from " + table + " where " + column + " is not null";
  if (!condition.empty()) sql += " and " + condition;
  return true;
}

bool BuildColumnsStatement(const std::string& table, const std::vector<std::string>& columns,
                           char open, char close, std::string& sql, std::string& error) {
  if (!IsSafeSqlName(table)) {
    error = "Invalid table name '" + table + "'.";
    return false;
  }
  std::string list;
  for (const std::string& column : columns) {
    if (column.empty()) continue;
    std::string quoted;
    if (!QuoteSqlName(column, open, close, quoted)) {
      error = "Invalid column name '" + column + "'.";
      return false;
    }
    if (!list.empty()) list += ",";
    list += quoted;
  }
  if (list.empty()) {
    error = "No column names were given for table '" + table + "'.";
    return false;
  }
  sql = "select " + list + " from " + table;
  return true;
}

int SqlSourceReader::NotConnected() { return Fail("Not connected to a data source."); }

int SqlSourceReader::DistinctValues(const std::string& table, const std::string& column,
                                    const std::string& condition,
                                    std::vector<std::string>& values) {
  values.clear();
  std::string sql, error;
  if (!BuildDistinctStatement(table, column, condition, sql, error)) return Fail(error);
  return QueryValues(sql, values);
}

int SqlSourceReader::ColumnValues(const std::string& table,
                                  const std::vector<std::string>& columns,
                                  std::vector<std::vector<std::string>>& values) {
  values.clear();
  std::string sql, error;
  if (!BuildColumnsStatement(table, columns, QuoteOpen(), QuoteClose(), sql, error))
    return Fail(error);
  return RunQuery(sql, 0, values);
}

int SqlSourceReader::QueryColumns(const std::string& statement,
                                  std::vector<std::vector<std::string>>& values) {
  values.clear();
  return RunQuery(statement, 0, values);
}

int SqlSourceReader::QueryValues(const std::string& statement, std::vector<std::string>& values) {
  values.clear();
  std::vector<std::vector<std::string>> columns;
  if (RunQuery(statement, 1, columns) != 0) return -1;
  if (!columns.empty()) values = std::move(columns.front());
  return 0;
}
