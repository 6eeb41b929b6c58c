// The flat-file definition: what plenkor writes, kept as a project of exactly
// one file-only rule whose column rules are the fields of the file. Every
// field is a pattern column; its generator label (what the field list shows
// in its "Generator" column) travels in the column rule's `LibName`, which
// the pattern method leaves unused, so a definition file keeps it.
//
// Besides the model this file holds the definition files (the project file
// format), the structure files (export and import of the field list) and the
// sample preview. Nothing here throws; failures come back as status codes
// with a message for the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "project/Project.h"
#include "support/Prompt.h"

class PatternEngine;

// The file formats offered by the window, in list order.
enum class FileFormat { kTab = 0, kCsv = 1, kFixed = 2, kCustom = 3 };

inline constexpr std::string_view kTabDelimiter = "<tab>";
inline constexpr std::string_view kFixedDelimiter = "<fixed length>";
inline constexpr std::string_view kCustomGeneratorLabel = "Custom Generator";

// The data types of a field, in list order.
inline constexpr std::string_view kFieldTypes[] = {"Integer", "String", "Date", "Time", "Date/Time"};

// The type text shown in the field list: the type name, or "String(10)" for a
// string with a positive size.
std::string TypeText(std::string_view type, int size);
// The ODBC type code and size a type text maps to ("String(10)" -> 12, 10).
int TypeCode(std::string_view typeText, int* size);
// The type name without the size ("String(10)" -> "String"); texts outside
// the type list read as "String".
std::string_view BaseTypeName(std::string_view typeText);

// The stored separator of a format; `custom` is the typed separator.
std::string DelimiterOf(FileFormat format, std::string_view custom);
// The format a stored separator selects.
FileFormat FormatOf(std::string_view delimiter);

// One field as the editor gives it. An empty name becomes "Field%d" with the
// 1-based `position`.
ColumnRule MakeField(std::string_view name, std::string_view type, int size, std::string_view label,
                     std::string_view pattern, size_t position);

// A definition with no fields: tab-delimited, no header, truncating, 1000 rows.
Project NewDefinition();
// The rule that describes the file (created when the project has none).
Rule& FileRule(Project& definition);
const std::vector<ColumnRule>& Fields(const Project& definition);

// Appends a field; returns 0, or 1 with `message` set when it has no generator.
int AddField(Project& definition, ColumnRule field, std::string* message);
// Changes a field's type, and with it its type text, code and size, in place.
void SetFieldType(ColumnRule& field, std::string_view type, int size);

// Definition files. Loading replaces `definition`; columns of other fill
// methods are converted to their pattern form and counted in `warnings`.
// Both return 0, or non-zero with `message` set.
int LoadDefinition(const std::string& path, Project& definition, int* warnings, std::string* message);
int SaveDefinition(const std::string& path, const Project& definition, std::string* message);
// Before saving: an empty definition, or fields without a generator, are
// saved only when the user says so. True to save.
bool ConfirmSave(const Project& definition, Prompt& prompt);
// "The project has been loaded with %d compatibility warnings. ..."
std::string CompatibilityWarning(int warnings);

// Structure files. Export writes one "Name,Type[,Size]" line per field, or,
// with `asCreateTable`, a CREATE TABLE statement for `tableName` ("tab" when
// empty). Returns 0, or non-zero with `message` set (the caption of that
// failure is kStructureFileError).
inline constexpr std::string_view kStructureFileError = "Error Open or Create File";
std::string StructureText(const std::vector<ColumnRule>& fields, bool asCreateTable,
                          std::string_view tableName);
int ExportStructure(const std::string& path, const std::vector<ColumnRule>& fields, bool asCreateTable,
                    std::string_view tableName, std::string* message);
// Replaces the fields of `definition` with those read from `path`: one field
// per line ("Name,Type[,Size]"), or, with `asExample`, the field names of the
// file's first non-empty line. Fields get the generator their name matches.
int ImportStructure(const std::string& path, bool asExample, Project& definition, std::string* message);
// The same on text already read, for callers that hold it.
std::vector<ColumnRule> ParseStructure(std::string_view text, bool asExample);

// The sample preview: up to kPreviewRows rows of every field, generated on
// `engine` (Init already called) with column references working. With
// `selected` >= 0 the `edited` pattern is generated once more per row for
// that column and collected in `samples`. Stops after the first row that
// reports an error.
inline constexpr int kPreviewRows = 5;
struct PreviewResult {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> samples;
  int errorCode = 0;
  std::string errorMessage;
  // The samples joined by "\r\n", as "Sample data" shows them.
  std::string SampleText() const;
};
PreviewResult RunPreview(PatternEngine& engine, const std::vector<ColumnRule>& fields, int selected,
                         std::string_view edited);
