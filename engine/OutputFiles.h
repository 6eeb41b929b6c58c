// OutputFiles: what a run writes besides executing statements: the SQL
// script, the delimited or fixed-width text file and the XML document, each
// either the project's file or the rule's own file that takes its place for
// that rule. The SQL and text writers open on their first write of a rule and
// are closed after it (CloseRuleFiles); the XML documents live from run start
// (project) or rule start (rule) to their close call.
//
// An output file that cannot be opened is logged by CSmFile once and skipped;
// nothing here stops a run.
//
// REQUIRES: the run options (and their project and log) outlive the object;
// one thread uses it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SmFile.h"
#include "support/HtmlWriter.h"

struct ColumnRule;
struct Rule;
struct RunOptions;

// The text delimiter that selects fixed-width output.
constexpr std::string_view kFixedLengthDelimiter = "<fixed length>";

// Appends a field of a delimited text line. A value holding the separator, a
// double quote or a line end would split its line or field: it is written in
// double quotes with inner quotes doubled, as spreadsheets and CSV readers
// take it, whatever the separator; with `always` (text values when
// QuoteExportString is set) every value is. With `verbatim` (a server's bulk
// file, which takes fields as they stand) the value goes as it is.
void AppendTextField(std::string& line, std::string_view text, std::string_view delimiter, bool verbatim,
                     bool always = false);

class OutputFiles {
 public:
  explicit OutputFiles(const RunOptions& options);
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // The text delimiter of a project setting: "<tab>" (or empty) is a tab,
  // anything else stands as it is ("<fixed length>" included).
  static std::string TextDelimiter(std::string_view setting);

  // Appends one statement to the SQL output (the rule's OutFile or the
  // project's SQLFile, chosen when the writer opens). `rule` may be null.
  void WriteSQL(std::string_view statement, const Rule* rule);
  // Appends one line to the text output: `file` when not empty (the bulk
  // file), else the rule's OutFileTXT, else the project's TXTFile.
  void WriteText(std::string_view line, const Rule& rule, std::string_view file = {});
  // Closes the text writer (before a bulk load reads the file).
  void CloseText() { text_.Close(); }
  // Closes the SQL and text writers; the next rule opens them again.
  void CloseRuleFiles();

  // Appends `value` padded to the width of column position `position`, which
  // grows (and stays grown) to fit the value.
  void FixedLength(std::string& out, std::string_view value, const ColumnRule& column,
                   size_t position);
  // Widths of the fixed-length columns, emptied at the start of each rule.
  std::vector<unsigned>& Widths() { return widths_; }
  // The column-name line: names (in the data quote when QuoteExportHeader is
  // set, else quoted as data fields are) joined by `delimiter`, or padded for
  // fixed length. Ignore columns take part only with `useBulk`; the names of
  // a server's bulk file (`bulkFile`) go as they stand.
  void TextHeader(std::string& out, const std::vector<ColumnRule>& columns,
                  std::string_view delimiter, int useBulk, bool bulkFile = false);

  // XML documents. Each open returns 0, or an errno value (logged) when the
  // file cannot be created; nothing is opened when the project or rule has
  // no XML output.
  int OpenProjectXml();
  int OpenRuleXml(const Rule& rule);
  // The writer rows of the current rule go to: the rule's, else the
  // project's, else null.
  HTML* Xml();
  int XMLType() const;
  void OpenTable(const Rule& rule);
  void CloseTable();
  void CloseRuleXml();
  void CloseProjectXml();

  // The output files that failed since the last call, a line each ("The
  // output file '...' could not be opened."); empty when none did. A file
  // that could not be opened is not tried again in the run, so its failure
  // is logged and told once.
  std::string TakeFailures();

 private:
  // Opens `file` at `path` for appending, unless `path` failed before.
  bool OpenOnce(CSmFile& file, const std::string& path);
  void Failed(const std::string& path, const char* what);
  int OpenXml(HTML& writer, const std::string& path);
  void CloseXml(HTML& writer, const std::string& path);
  void Trace(const char* text) const;

  const RunOptions& options_;
  CSmFile sql_;
  CSmFile text_;
  std::vector<unsigned> widths_;
  HTML projectXml_;
  HTML ruleXml_;
  std::string buffer_;  // reused for each statement or line
  std::vector<std::string> failedPaths_;
  std::string failures_;
  std::string projectXmlPath_, ruleXmlPath_;
};
