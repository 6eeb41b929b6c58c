// The filters of the file dialogs, kept in the "Text|pattern|...||" form the
// definition and output files have always been offered with, and turned into
// Qt's "Text (pattern);;..." form for QFileDialog.
#pragma once

#include <QString>

inline constexpr const char* kDefinitionFileFilter = "Orvane Quarnel projects (*.qrp)|*.qrp|All Files(*.*)|*.*||";
inline constexpr const char* kTextFileFilter = "Text files (*.txt)|*.txt|CSV files (*.csv)|*.csv|All Files(*.*)|*.*||";
inline constexpr const char* kCsvFileFilter = "CSV files (*.csv)|*.csv|All Files(*.*)|*.*||";

// "Text files (*.txt)|*.txt|All Files(*.*)|*.*||" ->
// "Text files (*.txt);;All Files(*.*) (*)": each description with its
// patterns in parentheses unless it ends with them already; "*.*" is every file.
QString QtFilter(const QString& filter);
