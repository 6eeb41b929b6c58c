#include "GenTmpl/SourceXls.h"

#include <freexl.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "support/TextUtil.h"

namespace {

std::string SheetName(const std::string& table) {
  std::string name = UnquoteIdentifier(TrimText(table));
  if (name.size() > 1 && name.back() == '$') name.pop_back();
  return name;
}

std::string CellText(const FreeXL_CellValue& cell) {
  switch (cell.type) {
    case FREEXL_CELL_INT:
      return std::to_string(cell.value.int_value);
    case FREEXL_CELL_DOUBLE: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", cell.value.double_value);
      return buffer;
    }
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      return cell.value.text_value ? cell.value.text_value : "";
    default:
      return "";
  }
}

// Splits a statement into words, quoted names (kept with their quotes) and
// the punctuation "," "*" ";". False when a quote is not closed.
bool Tokenize(const std::string& text, std::vector<std::string>& tokens) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == ',' || c == '*' || c == ';') {
      tokens.emplace_back(1, c);
      ++i;
    } else if (c == '`' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : c;
      size_t end = i + 1;
      for (; end < text.size(); ++end) {
        if (text[end] != close) continue;
        if (end + 1 < text.size() && text[end + 1] == close) {
          ++end;
          continue;
        }
        break;
      }
      if (end >= text.size()) return false;
      tokens.push_back(text.substr(i, end - i + 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
             std::string_view(",*;`\"[").find(text[end]) == std::string_view::npos)
        ++end;
      tokens.push_back(text.substr(i, end - i));
      i = end;
    }
  }
  return true;
}

bool IsName(const std::string& token) {
  return !token.empty() && token != "," && token != "*" && token != ";";
}

}  // namespace

void XlsSourceReader::BookClose::operator()(const void* book) const { freexl_close(book); }

XlsSourceReader::XlsSourceReader() = default;

XlsSourceReader::~XlsSourceReader() = default;

int XlsSourceReader::OpenFile(const std::string& path, int kind, bool /*readOnly*/) {
  Disconnect();
  error_.clear();
  if (kind != kExcelFile) return Fail("Only Excel workbooks (.xls) are read here.");
  std::error_code ec;
  // FreeXL reading a device or a pipe could block for good.
  if (path.empty() || !std::filesystem::is_regular_file(path, ec))
    return Fail("'" + path + "' is not an accessible workbook file.");
  const void* book = nullptr;
  const int rc = freexl_open(path.c_str(), &book);
  if (rc != FREEXL_OK) {
    if (book) freexl_close(book);
    return Fail("'" + path + "' is not a readable .xls workbook (FreeXL error " +
                std::to_string(rc) + ").");
  }
  book_.reset(book);
  path_ = path;
  return 0;
}

int XlsSourceReader::Connect(const std::string& /*source*/, const std::string& /*user*/,
                             const std::string& /*password*/) {
  Disconnect();
  return Fail("A workbook is opened as a file, not connected to as a data source.");
}

int XlsSourceReader::Disconnect() {
  book_.reset();
  path_.clear();
  return 0;
}

int XlsSourceReader::DistinctValues(const std::string& table, const std::string& column,
                                    const std::string& condition,
                                    std::vector<std::string>& values) {
  values.clear();
  if (!TrimText(condition).empty())
    return Fail("Conditions are not supported on workbook sheets.");
  Selection selection;
  selection.sheet = SheetName(table);
  selection.columns.push_back(UnquoteIdentifier(TrimText(column)));
  selection.notNull = selection.columns;
  selection.distinct = true;
  std::vector<std::vector<std::string>> columns;
  if (Select(selection, columns) != 0) return -1;
  values = std::move(columns.front());
  return 0;
}

int XlsSourceReader::ColumnValues(const std::string& table,
                                  const std::vector<std::string>& columns,
                                  std::vector<std::vector<std::string>>& values) {
  values.clear();
  Selection selection;
  selection.sheet = SheetName(table);
  for (const std::string& column : columns)
    if (!column.empty()) selection.columns.push_back(UnquoteIdentifier(TrimText(column)));
  if (selection.columns.empty())
    return Fail("No column names were given for sheet '" + selection.sheet + "'.");
  return Select(selection, values);
}

int XlsSourceReader::QueryColumns(const std::string& statement,
                                  std::vector<std::vector<std::string>>& values) {
  values.clear();
  Selection selection;
  if (ParseStatement(statement, selection) != 0) return -1;
  return Select(selection, values);
}

int XlsSourceReader::QueryValues(const std::string& statement, std::vector<std::string>& values) {
  values.clear();
  std::vector<std::vector<std::string>> columns;
  if (QueryColumns(statement, columns) != 0) return -1;
  values = std::move(columns.front());
  return 0;
}

int XlsSourceReader::ParseStatement(const std::string& statement, Selection& selection) {
  const std::string usage =
      "Workbook sheets answer only \"select [distinct] columns from sheet [where column is not "
      "null]\"; not: " + statement;
  std::vector<std::string> t;
  if (!Tokenize(statement, t)) return Fail(usage);
  if (!t.empty() && t.back() == ";") t.pop_back();
  size_t i = 0;
  auto keyword = [&](const char* word) {
    if (i < t.size() && EqualsNoCase(t[i], word)) {
      ++i;
      return true;
    }
    return false;
  };
  if (!keyword("select")) return Fail(usage);
  selection.distinct = keyword("distinct");
  if (i < t.size() && t[i] == "*") {
    ++i;
  } else {
    do {
      if (i >= t.size() || !IsName(t[i]) || EqualsNoCase(t[i], "from")) return Fail(usage);
      selection.columns.push_back(UnquoteIdentifier(t[i++]));
    } while (i < t.size() && t[i] == "," && ++i);
  }
  if (!keyword("from") || i >= t.size() || !IsName(t[i])) return Fail(usage);
  selection.sheet = SheetName(t[i++]);
  if (keyword("where")) {
    do {
      if (i >= t.size() || !IsName(t[i])) return Fail(usage);
      const std::string column = UnquoteIdentifier(t[i++]);
      if (!keyword("is") || !keyword("not") || !keyword("null")) return Fail(usage);
      selection.notNull.push_back(column);
    } while (keyword("and"));
  }
  if (i != t.size()) return Fail(usage);
  return 0;
}

int XlsSourceReader::Select(const Selection& selection,
                            std::vector<std::vector<std::string>>& columns) {
  columns.clear();
  if (!book_) return Fail("No workbook is open.");
  const void* book = book_.get();
  unsigned int sheets = 0;
  if (freexl_get_info(book, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
    return Fail("Could not read the sheets of '" + path_ + "'.");
  // An exact match wins over one that differs only in case.
  int found = -1;
  for (unsigned int s = 0; s < sheets && s <= 0xFFFF; ++s) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(book, static_cast<unsigned short>(s), &name) != FREEXL_OK ||
        !name)
      continue;
    if (selection.sheet == name) {
      found = static_cast<int>(s);
      break;
    }
    if (found < 0 && EqualsNoCase(selection.sheet, name)) found = static_cast<int>(s);
  }
  if (found < 0) return Fail("Sheet '" + selection.sheet + "' not found in '" + path_ + "'.");
  unsigned int rows = 0;
  unsigned short cols = 0;
  if (freexl_select_active_worksheet(book, static_cast<unsigned short>(found)) != FREEXL_OK ||
      freexl_worksheet_dimensions(book, &rows, &cols) != FREEXL_OK)
    return Fail("Could not read sheet '" + selection.sheet + "' of '" + path_ + "'.");
  auto cell = [&](unsigned int row, unsigned short col, std::string& text) {
    FreeXL_CellValue value{};
    if (freexl_get_cell_value(book, row, col, &value) != FREEXL_OK) return false;
    text = CellText(value);
    return value.type != FREEXL_CELL_NULL;
  };
  std::vector<std::string> header(cols);
  for (unsigned short c = 0; rows > 0 && c < cols; ++c) cell(0, c, header[c]);
  auto lookup = [&](const std::string& name, unsigned short& index) {
    for (unsigned short c = 0; c < cols; ++c) {
      if (EqualsNoCase(header[c], name)) {
        index = c;
        return true;
      }
    }
    Fail("Column '" + name + "' not found in sheet '" + selection.sheet + "'.");
    return false;
  };
  std::vector<unsigned short> chosen, required;
  if (selection.columns.empty()) {
    for (unsigned short c = 0; c < cols; ++c)
      if (!header[c].empty()) chosen.push_back(c);
    if (chosen.empty()) return Fail("Sheet '" + selection.sheet + "' has no named columns.");
  }
  for (const std::string& name : selection.columns) {
    if (!lookup(name, chosen.emplace_back())) return -1;
  }
  for (const std::string& name : selection.notNull) {
    if (!lookup(name, required.emplace_back())) return -1;
  }
  columns.resize(chosen.size());
  std::set<std::vector<std::string>> seen;
  std::vector<std::string> row(chosen.size());
  std::string text;
  size_t budget = kMaxSourceBytes;
  for (unsigned int r = 1; r < rows; ++r) {
    bool keep = true;
    for (unsigned short c : required) keep = keep && cell(r, c, text);
    if (!keep) continue;
    bool any = false;
    for (size_t k = 0; k < chosen.size(); ++k) any = cell(r, chosen[k], row[k]) || any;
    if (!any) continue;
    if (selection.distinct && !seen.insert(row).second) continue;
    for (size_t k = 0; k < chosen.size(); ++k) {
      if (!Charge(row[k].size(), budget)) {
        columns.clear();
        return -1;
      }
      columns[k].push_back(row[k]);
    }
  }
  return 0;
}
