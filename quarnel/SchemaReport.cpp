#include "quarnel/SchemaReport.h"

std::string_view SchemaDifferenceText(int kind) {
  switch (kind) {
    case SchemaDifference::kColumnNotInTable: return "column of the rule missing from the table";
    case SchemaDifference::kTableUnreadable: return "table does not exist or cannot be read";
    case SchemaDifference::kColumnNotInRule: return "column of the table missing from the rule";
    default: return "unknown difference";
  }
}

std::string SchemaDifferencesText(const std::vector<SchemaDifference>& differences) {
  std::string text = "Table\tColumn\tDifference\n";
  for (const SchemaDifference& difference : differences) {
    text += difference.table;
    text += '\t';
    text += difference.column;
    text += '\t';
    text += SchemaDifferenceText(difference.kind);
    text += '\n';
  }
  return text;
}
