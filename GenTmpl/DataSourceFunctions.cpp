// The pattern functions that read external sources: text files, the value
// library, tables and queries, Access databases, Excel workbooks, XML files
// and custom generator libraries. Every one is a node: its source is read
// once, when the node is built in the compile pass, and each later call only
// picks a value.
#include "GenTmpl/DataSourceFunctions.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "GenTmpl/FuncData.h"
#include "GenTmpl/FuncText.h"
#include "GenTmpl/FunctionTable.h"
#include "GenTmpl/PatternEngine.h"
#include "GenTmpl/SourceCdb.h"
#include "GenTmpl/SourceDll.h"
#include "GenTmpl/SourceFile.h"
#include "GenTmpl/SourceOdbc.h"
#include "GenTmpl/SourceReader.h"
#include "GenTmpl/SourceXml.h"
#include "GenTmpl/VLibrary.h"
#include "support/Database.h"
#include "support/Log.h"

namespace {

std::string Param(FuncParams params, std::size_t index) {
  return index < params.size() ? std::string(params[index]) : std::string();
}

// A sequential parameter read as an integer (non-zero: sequential); "true"
// is taken as well, as flag parameters take it.
bool SequentialParam(FuncParams params, std::size_t index) {
  const std::string text = Param(params, index);
  return ParamInt(text) != 0 || ParamFlag(text);
}

template <std::size_t index>
bool SequentialAt(FuncParams params) {
  return SequentialParam(params, index);
}

void Trace(FuncHost& host, const char* where) {
  if (CLog* log = host.Log()) log->State(where, 1);
}

void LogFailure(FuncHost& host, const std::string& reason, const char* where) {
  if (CLog* log = host.Log()) log->Bug(reason, where);
}

// A last parameter of exactly "1" or "0" after the columns of a group call is
// the sequential flag, not a column: takes it off when it is there.
void TakeSequentialFlag(std::vector<std::string>& columns, bool& sequential) {
  if (columns.empty() || (columns.back() != "1" && columns.back() != "0")) return;
  sequential = columns.back() == "1";
  columns.pop_back();
}

// Evaluates source texts as patterns. Each distinct text position gets an
// item engine of its own, switched to replay after every use, so the
// stateful functions of one line keep their nodes from call to call without
// being handed another line's nodes. Texts without a function share one.
class PatternCells {
 public:
  explicit PatternCells(FuncHost& host) : host_(host) {}

  void Evaluate(std::size_t key, const std::string& pattern, std::string& out) {
    // A file whose lines name the file itself would otherwise recurse for good.
    if (depth_ >= PatternEngine::kMaxNesting) {
      host_.SetError(PatternEngine::kErrNestedTooDeep,
                     "FileData: patterns read from files nest too deep.");
      return;
    }
    if (pattern.find('$') == std::string::npos) key = kPlain;
    std::unique_ptr<PatternEngine>& engine = engines_[key];
    if (!engine) engine = host_.NewItemEngine();
    std::string value;
    ++depth_;
    engine->Generate(value, -1, pattern);
    --depth_;
    engine->NextRow();
    out += value;
  }

 private:
  static constexpr std::size_t kPlain = static_cast<std::size_t>(-1);
  static thread_local int depth_;
  FuncHost& host_;
  std::unordered_map<std::size_t, std::unique_ptr<PatternEngine>> engines_;
};

thread_local int PatternCells::depth_ = 0;

// The reader a table or query node loads through, and what became of getting
// it: a temporary connection when the call names a data source, else the
// engine's custom connection.
enum class ReaderStatus { kReady, kConnectFailed, kNoConnection };

ReaderStatus OpenReader(FuncHost& host, bool named, const std::string& source,
                        const std::string& user, const std::string& password,
                        std::unique_ptr<SourceReader>& reader, const char* where) {
  if (named) {
    auto temporary = std::make_unique<OdbcSourceReader>();
    if (temporary->Connect(source, user, password) != 0) {
      LogFailure(host, temporary->LastError(), where);
      return ReaderStatus::kConnectFailed;
    }
    reader = std::move(temporary);
    return ReaderStatus::kReady;
  }
  CDB* connection = host.Connection();
  if (connection && connection->connected()) {
    reader = std::make_unique<CdbSourceReader>(*connection);
    return ReaderStatus::kReady;
  }
  // The engine's own connection: a reader that was never connected.
  reader = std::make_unique<OdbcSourceReader>();
  return ReaderStatus::kNoConnection;
}

// A statement parameter: evaluated as a pattern when it begins with "$", in
// an item engine of its own so that its functions do not take node positions
// in the calling engine.
std::string Statement(FuncHost& host, const std::string& text) {
  if (text.empty() || text.front() != '$') return text;
  std::string value;
  host.NewItemEngine()->Generate(value, -1, text);
  return value;
}

}  // namespace

// Nodes that hold one list of values and return one per call.
class ValueListNode : public FuncData {
 public:
  void Value(std::string& out) override {
    if (values_.empty()) return;
    out += values_[Pick(values_.size(), sequential_, cursor_)];
  }
  std::size_t HeldBytes() const override { return HeldTextBytes(values_); }

 protected:
  std::vector<std::string> values_;
  bool sequential_ = false;

 private:
  std::size_t cursor_ = 0;
};

// Nodes that hold rows of several fields, one array per field. Value picks a
// row by the node's own field and returns that field; GroupValue returns any
// field of the row picked last.
class RowsNode : public FuncData {
 public:
  void Value(std::string& out) override {
    if (valueField_ >= fields_.size() || fields_[valueField_].empty()) return;
    row_ = Pick(fields_[valueField_].size(), sequential_, cursor_);
    Emit(valueField_, row_, out);
  }
  void GroupValue(std::string& out, int field) override {
    if (field < 1 || static_cast<std::size_t>(field) > fields_.size()) return;
    const std::size_t index = static_cast<std::size_t>(field) - 1;
    if (row_ < fields_[index].size()) Emit(index, row_, out);
  }
  std::size_t HeldBytes() const override {
    std::size_t bytes = fields_.capacity() * sizeof(fields_[0]);
    for (const std::vector<std::string>& field : fields_) bytes += HeldTextBytes(field);
    return bytes;
  }

 protected:
  virtual void Emit(std::size_t field, std::size_t row, std::string& out) {
    out += fields_[field][row];
  }

  std::vector<std::vector<std::string>> fields_;
  std::size_t valueField_ = 0;
  bool sequential_ = false;

 private:
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
  std::size_t row_ = kNoRow;
  std::size_t cursor_ = 0;
};

// $File(path, sequential, patterns)
class FileData : public ValueListNode {
 public:
  FileData(FuncParams params, FuncHost& host) : cells_(host) {
    Trace(host, "FileData::FileData");
    if (params.empty()) {
      host.SetError(1200, "FileData: the function expects at least one parameter.");
      return;
    }
    const std::string path = Param(params, 0);
    sequential_ = ParamFlag(Param(params, 1));
    patterns_ = ParamFlag(Param(params, 2));
    std::string text, error;
    if (ReadSourceFile(path, text, error) != 0 || SplitSourceLines(text, values_, error) != 0) {
      LogFailure(host, error, "FileData::FileData");
      host.SetError(1201, "FileData: could not access or open source file '" + path + "'.");
    }
  }

  void Value(std::string& out) override {
    if (!patterns_) return ValueListNode::Value(out);
    if (values_.empty()) return;
    const std::size_t line = Pick(values_.size(), sequential_, lineCursor_);
    cells_.Evaluate(line, values_[line], out);
  }

 private:
  bool patterns_ = false;
  std::size_t lineCursor_ = 0;
  PatternCells cells_;
};

// $FileGroup(group, field, path, sequential, patterns, separator)
class FileGroupData : public RowsNode {
 public:
  FileGroupData(FuncParams params, FuncHost& host) : cells_(host) {
    Trace(host, "FileGroupData::FileGroupData");
    if (params.size() < 3) {
      host.SetError(1300, "FileGroupData: the function expects at least 3 parameters.");
      return;
    }
    SetGroup(ParamInt(params[0]));
    const int field = ParamInt(params[1]);
    const std::string path = Param(params, 2);
    sequential_ = ParamFlag(Param(params, 3));
    patterns_ = ParamFlag(Param(params, 4));
    std::string_view separator = params.size() > 5 ? params[5] : std::string_view("\t");
    while (!separator.empty() && (separator.front() == '(' || separator.front() == '"'))
      separator.remove_prefix(1);
    while (!separator.empty() && (separator.back() == ')' || separator.back() == '"'))
      separator.remove_suffix(1);
    std::string text, error;
    std::vector<std::string> lines;
    if (ReadSourceFile(path, text, error) != 0 || SplitSourceLines(text, lines, error) != 0) {
      LogFailure(host, error, "FileGroupData::FileGroupData");
      host.SetError(1301, "FileGroupData: could not open source file '" + path + "'.");
      return;
    }
    text.clear();
    text.shrink_to_fit();
    std::size_t budget = kMaxSplitCost;
    for (const std::string& line : lines) {
      if (line.empty()) continue;
      if (!AppendLineFields(line, separator, fields_, budget)) {
        fields_.clear();
        LogFailure(host, "'" + path + "' splits into too many fields",
                   "FileGroupData::FileGroupData");
        host.SetError(1301, "FileGroupData: could not open source file '" + path + "'.");
        return;
      }
    }
    // A field outside the arrays leaves Value empty; GroupValue still serves
    // the row last picked.
    valueField_ = field >= 1 ? static_cast<std::size_t>(field) - 1 : fields_.size();
  }

 protected:
  void Emit(std::size_t field, std::size_t row, std::string& out) override {
    if (!patterns_) return RowsNode::Emit(field, row, out);
    // Cells are keyed by position; the arrays are never longer than the file.
    cells_.Evaluate(field * kRowsPerField + row, fields_[field][row], out);
  }

 private:
  static constexpr std::size_t kRowsPerField = std::size_t{1} << 32;
  bool patterns_ = false;
  PatternCells cells_;
};

// $Lib(table, column, size, sequential, condition), $Library(...)
class LibData : public FuncData {
 public:
  LibData(FuncParams params, FuncHost& host) : host_(host) {
    Trace(host, "LibData::LibData");
    if (params.empty()) {
      host.SetError(1800, "LibData: the function expects at least one parameter.");
      return;
    }
    table_ = Param(params, 0);
    column_ = Param(params, 1);
    if (column_.empty()) column_ = "Name";
    maxLength_ = ParamInt(Param(params, 2));
    sequential_ = SequentialParam(params, 3);
    condition_ = Param(params, 4);
    if (!host.SharedLibrary())
      host.SetError(1801, "LibData: could not open library at '" + host.LibraryLocation() + "'.");
  }

  void Value(std::string& out) override {
    if (table_.empty()) return;
    // Fetched on every call: a LibGroup node going away releases the library.
    VLibrary* library = host_.SharedLibrary();
    if (!library) return;
    int code = 0;
    std::string message;
    out += library->ListValue(table_, column_, ColumnCondition(), maxLength_, sequential_, code,
                              message);
    if (code != 0) host_.SetError(code, std::move(message));
  }

 private:
  // The condition with every @'column' replaced by that column's current
  // value. The value stands inside the condition's own quotes, so its
  // quotes are doubled: a generated "O'Neil" must not end the literal.
  std::string ColumnCondition() const {
    if (condition_.find("@'") == std::string::npos) return condition_;
    std::string out;
    std::size_t from = 0;
    for (;;) {
      const std::size_t at = condition_.find("@'", from);
      const std::size_t end = at == std::string::npos ? at : condition_.find('\'', at + 2);
      if (end == std::string::npos) break;
      out.append(condition_, from, at - from);
      const std::string name = condition_.substr(at + 2, end - at - 2);
      if (const std::string* value = host_.ColumnValue(name)) {
        for (char c : *value) {
          out += c;
          if (c == '\'') out += '\'';
        }
      }
      from = end + 1;
    }
    out.append(condition_, from, std::string::npos);
    return out;
  }

  FuncHost& host_;
  std::string table_;
  std::string column_;
  std::string condition_;
  int maxLength_ = 0;
  bool sequential_ = false;
};

// $LibGroup(group, table, columns...)
class LibGroupData : public RowsNode {
 public:
  LibGroupData(FuncParams params, FuncHost& host) : host_(host) {
    Trace(host, "LibGroupData::LibGroupData");
    if (params.size() < 3) {
      host.SetError(1900, "LibGroupData: the function expects at least 3 parameters.");
      return;
    }
    SetGroup(ParamInt(params[0]));
    VLibrary* library = host.SharedLibrary();
    if (!library) {
      host.SetError(1901,
                    "LibGroupData: could not open library at '" + host.LibraryLocation() + "'.");
      return;
    }
    std::vector<std::string> columns(params.begin() + 2, params.end());
    // One read of whole rows: separate lists per column would not line up.
    if (library->LoadRows(params[1], columns, fields_) != 0)
      host.SetError(VLibrary::kErrListNotLoaded, library->LastError());
  }
  ~LibGroupData() override { host_.ReleaseSharedLibrary(); }

 private:
  FuncHost& host_;
};

// $Table(table, column, sequential, condition, source, user, password)
class FromTable : public ValueListNode {
 public:
  FromTable(FuncParams params, FuncHost& host) {
    Trace(host, "FromTable::FromTable");
    if (params.size() < 2) {
      host.SetError(1500, "FromTable: the function expects at least 2 parameters.");
      return;
    }
    sequential_ = SequentialParam(params, 2);
    std::unique_ptr<SourceReader> reader;
    switch (OpenReader(host, params.size() >= 5, Param(params, 4), Param(params, 5),
                       Param(params, 6), reader, "FromTable::FromTable")) {
      case ReaderStatus::kConnectFailed:
        host.SetError(1501, "FromTable: could not connect to custom data source.");
        return;
      case ReaderStatus::kNoConnection:
        host.SetError(1502, "FromTable: no default or custom database connection specified.");
        return;
      case ReaderStatus::kReady:
        break;
    }
    if (reader->DistinctValues(Param(params, 0), Param(params, 1), Param(params, 3), values_) != 0)
      host.SetError(1503, reader->LastError());
  }
};

// $TableGroup(group, table, columns..., [1 or 0]) and
// $TableGroupC(group, source, user, password, table, columns..., [1 or 0])
class GroupFromTable : public RowsNode {
 public:
  GroupFromTable(FuncParams params, FuncHost& host, bool named) {
    Trace(host, "GroupFromTable::GroupFromTable");
    if (named && params.size() < 6) {
      host.SetError(1602, "GroupFromTable: this call version expects at least 6 parameters.");
      return;
    }
    if (params.size() < 3) {
      host.SetError(1600, "GroupFromTable: the function expects at least 3 parameters.");
      return;
    }
    SetGroup(ParamInt(params[0]));
    const std::size_t tableAt = named ? 4 : 1;
    std::vector<std::string> columns(params.begin() + static_cast<std::ptrdiff_t>(tableAt) + 1,
                                     params.end());
    TakeSequentialFlag(columns, sequential_);
    std::unique_ptr<SourceReader> reader;
    if (OpenReader(host, named, Param(params, 1), Param(params, 2), Param(params, 3), reader,
                   "GroupFromTable::GroupFromTable") == ReaderStatus::kConnectFailed) {
      host.SetError(1604, "GroupFromTable: could not connect to custom data source.");
      return;
    }
    // Without any connection the reader's own error says so.
    if (reader->ColumnValues(Param(params, tableAt), columns, fields_) != 0)
      host.SetError(1601, reader->LastError());
  }
};

// $Query(statement, sequential, source, user, password)
class ByQuery : public ValueListNode {
 public:
  ByQuery(FuncParams params, FuncHost& host) {
    Trace(host, "ByQuery::ByQuery");
    const std::string statement = Statement(host, Param(params, 0));
    if (statement.empty()) {
      host.SetError(1100, "ByQuery: no query present.");
      return;
    }
    sequential_ = SequentialParam(params, 1);
    std::unique_ptr<SourceReader> reader;
    switch (OpenReader(host, params.size() >= 3, Param(params, 2), Param(params, 3),
                       Param(params, 4), reader, "ByQuery::ByQuery")) {
      case ReaderStatus::kConnectFailed:
        host.SetError(1101, "ByQuery: could not connect to custom data source.");
        return;
      case ReaderStatus::kNoConnection:
        host.SetError(1102, "ByQuery: no default or custom database connection specified.");
        return;
      case ReaderStatus::kReady:
        break;
    }
    if (reader->QueryValues(statement, values_) != 0) host.SetError(1103, reader->LastError());
  }
};

// $QueryGroup(group, statement, sequential, source, user, password)
class GroupByQuery : public RowsNode {
 public:
  GroupByQuery(FuncParams params, FuncHost& host) {
    Trace(host, "GroupByQuery::GroupByQuery");
    if (params.size() < 2) {
      host.SetError(1700, "GroupByQuery: the function expects at least 2 parameters: group and "
                          "query.");
      return;
    }
    SetGroup(ParamInt(params[0]));
    const std::string statement = Statement(host, Param(params, 1));
    sequential_ = SequentialParam(params, 2);
    std::unique_ptr<SourceReader> reader;
    switch (OpenReader(host, params.size() >= 4, Param(params, 3), Param(params, 4),
                       Param(params, 5), reader, "GroupByQuery::GroupByQuery")) {
      case ReaderStatus::kConnectFailed:
        host.SetError(1704, "GroupByQuery: could not connect to custom data source.");
        return;
      case ReaderStatus::kNoConnection:
        host.SetError(1702, "GroupByQuery: no default or custom database connection specified.");
        return;
      case ReaderStatus::kReady:
        break;
    }
    if (reader->QueryColumns(statement, fields_) != 0) host.SetError(1701, reader->LastError());
  }
};

namespace {

// Access names go in brackets, Excel names in backquotes (a sheet with the
// "$" that names a whole sheet), unless the caller quoted them already.
std::string AccessName(const std::string& name) {
  return name.empty() || name.front() == '[' ? name : "[" + name + "]";
}

std::string ExcelColumn(const std::string& name) {
  return !name.empty() && name.front() == '`' ? name : "`" + name + "`";
}

std::string ExcelSheet(const std::string& name) { return "`" + name + "$`"; }

}  // namespace

// $MSAccess(file, table, column)
class AccessData : public ValueListNode {
 public:
  AccessData(FuncParams params, FuncHost& host) {
    Trace(host, "AccessData::AccessData");
    if (params.size() < 3) {
      host.SetError(1400, "AccessData: the function expects at least 3 parameters.");
      return;
    }
    const std::string file = Param(params, 0);
    const std::unique_ptr<SourceReader> reader = NewFileSourceReader(SourceReader::kAccessFile);
    if (reader->OpenFile(file, SourceReader::kAccessFile, true) != 0) {
      host.SetError(1401, "AccessData: could not open '" + file + "' file [" +
                              reader->LastError() + "].");
      return;
    }
    if (reader->DistinctValues(AccessName(Param(params, 1)), AccessName(Param(params, 2)), "",
                               values_) != 0)
      host.SetError(1, reader->LastError());
  }
};

// $MSExcel(file, sheet, column)
class ExcelData : public ValueListNode {
 public:
  ExcelData(FuncParams params, FuncHost& host) {
    Trace(host, "ExcelData::ExcelData");
    if (params.size() < 3) {
      host.SetError(1000, "ExcelData: the function expects at least 3 parameters.");
      return;
    }
    const std::string file = Param(params, 0);
    const std::unique_ptr<SourceReader> reader = NewFileSourceReader(SourceReader::kExcelFile);
    if (reader->OpenFile(file, SourceReader::kExcelFile, true) != 0) {
      host.SetError(1001, "ExcelData: could not open '" + file + "' file [" +
                              reader->LastError() + "].");
      return;
    }
    if (reader->DistinctValues(ExcelSheet(Param(params, 1)), ExcelColumn(Param(params, 2)), "",
                               values_) != 0)
      host.SetError(1, reader->LastError());
  }
};

// $MSExcelGroup(group, file, sheet, columns..., [1 or 0])
class ExcelGroup : public RowsNode {
 public:
  ExcelGroup(FuncParams params, FuncHost& host) {
    Trace(host, "ExcelGroup::ExcelGroup");
    if (params.size() < 5) {
      host.SetError(1050, "ExcelGroup: the function expects at least 5 parameters.");
      return;
    }
    SetGroup(ParamInt(params[0]));
    const std::string file = Param(params, 1);
    std::vector<std::string> columns(params.begin() + 3, params.end());
    TakeSequentialFlag(columns, sequential_);
    for (std::string& column : columns) column = ExcelColumn(column);
    const std::unique_ptr<SourceReader> reader = NewFileSourceReader(SourceReader::kExcelFile);
    if (reader->OpenFile(file, SourceReader::kExcelFile, true) != 0) {
      host.SetError(1051, "ExcelGroup: could not open '" + file + "' file [" +
                              reader->LastError() + "].");
      return;
    }
    if (reader->ColumnValues(ExcelSheet(Param(params, 2)), columns, fields_) != 0)
      host.SetError(1052, reader->LastError());
  }
};

// $XML(file, path)
class XMLData : public ValueListNode {
 public:
  XMLData(FuncParams params, FuncHost& host) {
    Trace(host, "XMLData::XMLData");
    if (params.size() != 2) {
      host.SetError(2500, "XMLData: the function has two parameters.");
      return;
    }
    const std::string file = Param(params, 0);
    std::string error;
    switch (SelectXmlTexts(file, Param(params, 1), values_, error)) {
      case XmlSourceStatus::kOk:
        break;
      case XmlSourceStatus::kMissing:
        host.SetError(2501, "XMLData: '" + file + "' file inaccesible or does not exist.");
        break;
      case XmlSourceStatus::kNotLoaded:
        host.SetError(2502, "XMLData: could not load XML file. " + error);
        break;
      case XmlSourceStatus::kBadXPath:
        host.SetError(2503, "XMLData: could not select nodes. " + error);
        break;
    }
  }
};

// $DLL(library, ...)
class DLLData : public FuncData {
 public:
  DLLData(FuncParams params, FuncHost& host) {
    Trace(host, "DLLData::DLLData");
    if (params.empty()) {
      host.SetError(2600, "DLLData: expects at least one paremeter");
      return;
    }
    std::string error;
    if (library_.Load(Param(params, 0), error) != 0) {
      LogFailure(host, error, "DLLData::DLLData");
      host.SetError(2601, "DLLData: DLL not found or inaccesible");
    }
  }

  // Without GetValue the node yields the empty text, and that is no error.
  void Value(std::string& out) override { library_.Value(out); }

 private:
  GeneratorLibrary library_;
};

namespace {

template <typename Node>
std::unique_ptr<FuncData> Make(FuncParams params, FuncHost& host) {
  return std::make_unique<Node>(params, host);
}

std::unique_ptr<FuncData> MakeTableGroup(FuncParams params, FuncHost& host) {
  return std::make_unique<GroupFromTable>(params, host, false);
}

std::unique_ptr<FuncData> MakeTableGroupC(FuncParams params, FuncHost& host) {
  return std::make_unique<GroupFromTable>(params, host, true);
}

}  // namespace

void RegisterDataSourceFunctions(FunctionTable& table) {
  // Sequential picks go on from row to row; random ones do not.
  const FunctionTable::RowStateCheck lastFlag = [](FuncParams p) { return !p.empty() && p.back() == "1"; };
  table.AddNode("File", Make<FileData>, false, [](FuncParams p) { return ParamFlag(Param(p, 1)); });
  table.AddNode("FileGroup", Make<FileGroupData>, false, [](FuncParams p) { return ParamFlag(Param(p, 3)); });
  table.AddNode("Lib", Make<LibData>, false, SequentialAt<3>);
  table.AddNode("Library", Make<LibData>, false, SequentialAt<3>);
  table.AddNode("LibGroup", Make<LibGroupData>);
  table.AddNode("Table", Make<FromTable>, false, SequentialAt<2>);
  table.AddNode("TableGroup", MakeTableGroup, false, lastFlag);
  table.AddNode("TableGroupC", MakeTableGroupC, false, lastFlag);
  table.AddNode("Query", Make<ByQuery>, false, SequentialAt<1>);
  table.AddNode("QueryGroup", Make<GroupByQuery>, false, SequentialAt<2>);
  table.AddNode("MSAccess", Make<AccessData>);
  table.AddNode("MSExcel", Make<ExcelData>);
  table.AddNode("MSExcelGroup", Make<ExcelGroup>, false, lastFlag);
  table.AddNode("XML", Make<XMLData>);
  // A custom generator library may keep anything from call to call.
  table.AddNode("DLL", Make<DLLData>, false, FunctionTable::Always);
}
