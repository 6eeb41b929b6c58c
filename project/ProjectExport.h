// One-way exports of a project for other programs: the portable project, an
// XML document (".qrp2"), and the project script, an indented text file
// (".qrl"). Both give every column in its pattern form, so the data can be
// generated from patterns alone. Converting writes each column's pattern form
// into its Mask, as a run does.
#pragma once

#include <string>
#include <vector>

#include "project/PatternForm.h"
#include "project/Project.h"

class CDB;

struct ExportContext {
  PatternSettings settings;
  // The program's global variables, listed after the project's; may be null.
  const std::vector<ProjectVariable>* globals = nullptr;
  // The current connection object, or null: the script names its settings
  // (else the project's own connection record) and it quotes key-group columns.
  const CDB* connection = nullptr;
};

// Both return 0, or -1 when the file can not be created or written. The file
// is created for writing, replacing an existing one.
int ExportPortable(const std::string& path, Project& project, const ExportContext& context);
int ExportScript(const std::string& path, Project& project, const ExportContext& context);
