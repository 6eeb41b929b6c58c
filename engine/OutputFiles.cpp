#include "engine/OutputFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/RunOptions.h"
#include "project/Project.h"
#include "support/Log.h"
#include "support/TextUtil.h"

namespace {

constexpr unsigned kMaxNominalWidth = 1024;

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

void Remove(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

unsigned Digits(int64_t m) {
  unsigned n = 1;
  while (m >= 10) {
    m /= 10;
    ++n;
  }
  return n;
}

// Nominal width and alignment of a column in fixed-width output, in
// characters, from its type and size.
unsigned NominalWidth(const ColumnRule& column, const RunOptions& options, bool& left) {
  left = false;
  int64_t magnitude = 0;
  if (column.Method == kMethodRandom) {
    magnitude = std::max(std::abs(LeadingInteger(column.HighRange)), std::abs(LeadingInteger(column.LowRange)));
  }
  auto digitsOr = [magnitude](unsigned fallback) { return magnitude > 0 ? Digits(magnitude) : fallback; };
  switch (column.iType) {
    case 1: case 12: case -1: case -2: case -4: case -8: case -9: case -10:
      left = true;
      return column.iSize > 0 ? static_cast<unsigned>(column.iSize) : 0;
    case 4: return digitsOr(11);
    case 5: return digitsOr(6);
    case -6: case -7: return digitsOr(4);
    case 9: case 91: return static_cast<unsigned>(options.DateFormat.size());
    case 10: case 92: return static_cast<unsigned>(options.TimeFormat.size());
    case 11: case 93: return 19;
    default: return digitsOr(14);
  }
}

// The longest item of a list of plain items, in characters; 0 for any other
// column. Items that are patterns say nothing about their values' widths.
unsigned LongestItem(const ColumnRule& column) {
  size_t longest = 0;
  if (column.Method == kMethodValueList && !column.asMask) {
    for (const std::string& item : column.Values) longest = std::max(longest, CharacterCount(item));
  }
  return static_cast<unsigned>(std::min<size_t>(longest, UINT32_MAX));
}

// The text between the quotes of a fixed-width value.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 3 && value.substr(0, 2) == "N'" && value.back() == '\'') {
    return value.substr(2, value.size() - 3);
  }
  const size_t first = value.find_first_not_of(" '");
  if (first == std::string_view::npos) return {};
  const size_t last = value.find_last_not_of(" '");
  return value.substr(first, last - first + 1);
}

// A complete Unicode literal N'...': its N is dropped in text lines.
bool IsUnicodeLiteral(std::string_view field) {
  return field.size() >= 3 && field[0] == 'N' && field[1] == '\'' && field.back() == '\'';
}

}  // namespace

OutputFiles::OutputFiles(const RunOptions& options) : options_(options) {}

OutputFiles::~OutputFiles() {
  CloseRuleFiles();
  CloseRuleXml();
  CloseProjectXml();
}

void OutputFiles::Trace(const char* text) const {
  if (options_.log && !options_.performanceMode) options_.log->State(text, 1);
}

std::string OutputFiles::TextDelimiter(std::string_view setting) {
  if (setting.empty() || setting == "<tab>") return "\t";
  return std::string(setting);
}

void OutputFiles::WriteSQL(std::string_view statement, const Rule* rule) {
  const Project& project = *options_.project;
  const bool ruleFile = rule && !rule->OutFile.empty();
  if (!project.ToFile && !ruleFile) return;
  Trace("QuarnelGenerator::WriteSQL");
  if (!sql_.IsOpen()) {
    const std::string& path = ruleFile ? rule->OutFile : project.SQLFile;
    if (path.empty()) return;
    if (ruleFile && project.TruncateSQL) Remove(path);
    if (!OpenOnce(sql_, path)) return;
  }
  buffer_.assign(statement);
  const std::string& delimiter = project.StmtDelimiter;
  if (!delimiter.empty()) {
    if (delimiter.front() == ';') {
      while (!buffer_.empty() && (buffer_.back() == '\r' || buffer_.back() == '\n')) buffer_.pop_back();
    }
    buffer_ += delimiter;
    buffer_ += "\r\n";
  }
  sql_.Write(buffer_);
}

void OutputFiles::WriteText(std::string_view line, const Rule& rule, std::string_view file) {
  Trace("QuarnelGenerator::Write Text");
  if (!text_.IsOpen()) {
    const std::string path(!file.empty() ? file
                           : !rule.OutFileTXT.empty() ? std::string_view(rule.OutFileTXT)
                                                       : std::string_view(options_.project->TXTFile));
    if (path.empty()) return;
    if (!OpenOnce(text_, path)) return;
  }
  buffer_.clear();
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find('\t', start);
    if (end == std::string_view::npos) end = line.size();
    std::string_view field = line.substr(start, end - start);
    // The first field only counts when the line is long enough to hold a
    // literal; later fields follow a tab.
    if (IsUnicodeLiteral(field) && (start > 0 || line.size() >= 4)) field.remove_prefix(1);
    buffer_ += field;
    if (end == line.size()) break;
    buffer_ += '\t';
    start = end + 1;
  }
  buffer_ += "\r\n";
  text_.Write(buffer_);
}

bool OutputFiles::OpenOnce(CSmFile& file, const std::string& path) {
  if (std::ranges::find(failedPaths_, path) != failedPaths_.end()) return false;
  if (file.Open(path, 1, options_.log, 1, 0) != 0) {
    Failed(path, "opened");
    return false;
  }
  file.SeekEnd();
  return true;
}

void OutputFiles::Failed(const std::string& path, const char* what) {
  failedPaths_.push_back(path);
  failures_ += "The output file '" + path + "' could not be " + what + ".\n";
}

std::string OutputFiles::TakeFailures() { return std::exchange(failures_, {}); }

void OutputFiles::CloseRuleFiles() {
  sql_.Close();
  text_.Close();
}

void OutputFiles::FixedLength(std::string& out, std::string_view value, const ColumnRule& column,
                              size_t position) {
  Trace("QuarnelGenerator::FixedLength");
  bool left = false;
  const unsigned nominal = std::min(NominalWidth(column, options_, left), kMaxNominalWidth);
  const std::string_view text = Unquoted(value);
  if (widths_.size() <= position) {
    widths_.resize(position + 1, std::min(std::max(nominal, LongestItem(column)), kMaxNominalWidth));
  }
  unsigned& stored = widths_[position];
  const size_t characters = CharacterCount(text);
  stored = std::max({nominal, stored, static_cast<unsigned>(std::min<size_t>(characters, UINT32_MAX))});
  const size_t pad = stored - characters;
  if (!left) out.append(pad, ' ');
  out += text;
  if (left) out.append(pad, ' ');
}

void AppendTextField(std::string& line, std::string_view text, std::string_view delimiter, bool verbatim,
                     bool always) {
  // One pass over the value: it is short, and this runs for every field.
  auto special = [&text](char delimiterChar) {
    for (const char c : text) {
      if (c == '"' || c == '\r' || c == '\n' || c == delimiterChar) return true;
    }
    return false;
  };
  const bool needsQuotes =
      !verbatim && !delimiter.empty() &&
      (always || (delimiter.size() == 1 ? special(delimiter[0])
                                        : special('"') || text.find(delimiter) != std::string_view::npos));
  if (!needsQuotes) {
    line += text;
    return;
  }
  line += '"';
  for (char c : text) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

void OutputFiles::TextHeader(std::string& out, const std::vector<ColumnRule>& columns,
                             std::string_view delimiter, int useBulk, bool bulkFile) {
  const bool fixed = delimiter == kFixedLengthDelimiter;
  const char quote = options_.DataQuote();
  std::string name;
  size_t position = 0;
  for (const ColumnRule& column : columns) {
    if (column.Method == kMethodIgnore && !useBulk) continue;
    name.clear();
    if (options_.project->QuoteExportHeader) {
      name += quote;
      name += column.Name;
      name += quote;
    } else if (!fixed) {
      AppendTextField(name, column.Name, delimiter, bulkFile);
    } else {
      name = column.Name;
    }
    if (fixed) {
      FixedLength(out, name, column, position);
    } else {
      if (position > 0) out += delimiter;
      out += name;
    }
    ++position;
  }
}

int OutputFiles::OpenXml(HTML& writer, const std::string& path) {
  if (options_.project->TruncateXML && Exists(path)) Remove(path);
  if (std::ranges::find(failedPaths_, path) != failedPaths_.end()) return EIO;
  const int status = writer.Open(path);
  if (status != 0) {
    Failed(path, "opened");
    if (options_.log) {
      options_.log->Bug("Could not create XML file '" + path + "', error [" + std::to_string(status) + "," +
                            std::strerror(status) + "]",
                        "QuarnelGenerator::OpenXML");
    }
    return status;
  }
  writer.HeadXML();
  writer.OpenTag("objects");
  return 0;
}

int OutputFiles::OpenProjectXml() {
  const Project& project = *options_.project;
  if (!project.ToXMLFile || project.XMLFile.empty()) return 0;
  projectXmlPath_ = project.XMLFile;
  return OpenXml(projectXml_, project.XMLFile);
}

int OutputFiles::OpenRuleXml(const Rule& rule) {
  if (rule.OutFileXML.empty()) return 0;
  // The project's document already open on that file takes the rule's rows:
  // a second writer would overwrite what the first wrote.
  std::error_code ec;
  if (projectXml_.IsOpen() && (rule.OutFileXML == projectXmlPath_ ||
                               std::filesystem::equivalent(rule.OutFileXML, projectXmlPath_, ec))) {
    return 0;
  }
  ruleXmlPath_ = rule.OutFileXML;
  return OpenXml(ruleXml_, rule.OutFileXML);
}

HTML* OutputFiles::Xml() {
  if (ruleXml_.IsOpen()) return &ruleXml_;
  if (projectXml_.IsOpen()) return &projectXml_;
  return nullptr;
}

int OutputFiles::XMLType() const { return options_.project->XMLType; }

void OutputFiles::OpenTable(const Rule& rule) {
  if (HTML* xml = Xml()) xml->OpenTag("Table", "name", rule.TabName);
}

void OutputFiles::CloseTable() {
  if (HTML* xml = Xml()) xml->CloseTag("Table");
}

void OutputFiles::CloseXml(HTML& writer, const std::string& path) {
  if (!writer.IsOpen()) return;
  writer.CloseTag("objects");
  const int status = writer.Close(1);
  if (status != 0) {
    Failed(path, "written");
    if (options_.log) {
      options_.log->Bug("Could not write XML file '" + path + "', error [" + std::to_string(status) + "," +
                            std::strerror(status) + "]",
                        "QuarnelGenerator::CloseXML");
    }
  }
}

void OutputFiles::CloseRuleXml() { CloseXml(ruleXml_, ruleXmlPath_); }

void OutputFiles::CloseProjectXml() { CloseXml(projectXml_, projectXmlPath_); }
