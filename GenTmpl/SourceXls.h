// XlsSourceReader: a source reader over an Excel workbook (.xls, BIFF8) read
// with FreeXL. A sheet is a table and the cells of its first row name its
// columns (compared without regard to case, as sheet names are). Sheet names
// may be written as the SQL functions write them: `Sheet1$`, [Sheet1$],
// Sheet1$ or Sheet1.
//
// Workbooks answer the statements the Excel functions send and nothing else:
//   select [distinct] * | column[, column...] from sheet
//          [where column is not null [and column is not null ...]]
// Empty cells are NULL; rows whose chosen cells are all empty are skipped.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "GenTmpl/SourceReader.h"

class XlsSourceReader : public SourceReader {
 public:
  XlsSourceReader();
  ~XlsSourceReader() override;
  XlsSourceReader(const XlsSourceReader&) = delete;
  XlsSourceReader& operator=(const XlsSourceReader&) = delete;

  // Only kExcelFile; workbooks are always read-only.
  int OpenFile(const std::string& path, int kind, bool readOnly) override;
  // Workbooks are files: refused.
  int Connect(const std::string& source, const std::string& user,
              const std::string& password) override;
  int Disconnect() override;
  bool Connected() const override { return static_cast<bool>(book_); }

  int DistinctValues(const std::string& table, const std::string& column,
                     const std::string& condition, std::vector<std::string>& values) override;
  int ColumnValues(const std::string& table, const std::vector<std::string>& columns,
                   std::vector<std::vector<std::string>>& values) override;
  int QueryColumns(const std::string& statement,
                   std::vector<std::vector<std::string>>& values) override;
  int QueryValues(const std::string& statement, std::vector<std::string>& values) override;

 private:
  struct BookClose {
    void operator()(const void* book) const;
  };
  // What a statement asks of a sheet; names without their quotes.
  struct Selection {
    std::string sheet;
    std::vector<std::string> columns;  // empty: every column
    std::vector<std::string> notNull;
    bool distinct = false;
  };

  int ParseStatement(const std::string& statement, Selection& selection);
  int Select(const Selection& selection, std::vector<std::vector<std::string>>& columns);

  std::unique_ptr<const void, BookClose> book_;
  std::string path_;
};
