// The project file (".qrp") and the named-generator file (".ngen"): the
// logical content of a project in the sectioned store of support/SysReg.h.
// Sections and keys are written in a fixed order, one key per line, so saving
// an unchanged project gives the same bytes and files diff well.
//
// Reading is defensive: a missing key takes its default, a value of the wrong
// type or out of range takes its default, and a count is only believed as far
// as the file holds the numbered entries it announces, so an absurd count can
// not make a reader loop or allocate beyond the file's own size.
#pragma once

#include <string>
#include <vector>

#include "project/Project.h"

class CSysReg;

// The program settings copied into the "Settings" section of a saved project,
// for a reader's information; loading does not read them back.
struct SavedSettings {
  std::string DateFormat = "YYYY-MM-DD";
  std::string TimeFormat = "HH:MM:SS";
  int StringLen = 1;
  int FromLinked = 1024000;
  int YearFrom = 1950;
  int YearTo = 2020;
  int UniqueTryCounter = 50;
  int RemoveComma = 1;
  int UseBULK = 0;
  int DefDigits = 0;
};

// Section 1 of a project file.
void WriteSettingsSection(CSysReg& store, const SavedSettings& settings);

// Writes the project's own keys, its rules, named generators, variables and
// connections (everything after the "Settings" section). With `checkedOnly`
// only the rules whose entry in `checked` is true are written, numbered from 1;
// rules beyond the end of `checked` count as unchecked. `currentConnection` is
// the connection object's settings, or null when there is none; the project's
// own `Connection` is then kept in the file as it was loaded.
void WriteProject(CSysReg& store, const Project& project, bool checkedOnly,
                  const std::vector<bool>& checked, const CONN_INFO* currentConnection);
// Whether WriteProject would write a password: of `currentConnection` (or,
// when null, the project's connection), the scramble connections or the
// columns' own connections.
bool HoldsPassword(const Project& project, const CONN_INFO* currentConnection);

// Reads a project from an open store into `project`: its keys are replaced,
// its rules are appended to, its named generators and variables are replaced.
// Returns 0, or 1 when the store holds no project (then `message` says why and
// `project` is unchanged). Problems that still leave something to load (a file
// cut short, a count larger than the entries present) are described in
// `message` with a 0 return.
int ReadProject(CSysReg& store, Project& project, std::string* message);

// One column rule as the entry numbered `n` of the current section.
void WriteColumnRule(CSysReg& store, const ColumnRule& column, int n);
// Reads entry `n`; returns false (leaving `column` as it was) when the section
// holds no such entry.
bool ReadColumnRule(const CSysReg& store, ColumnRule& column, int n);

// Named-generator files. Writing returns 0 or a store status (an errno value or
// a CSysReg code) with `error` set; the previous file stays as it was on failure.
int WriteNamedGenerators(const std::string& path, const std::vector<ColumnRule>& generators,
                         std::string* error);
int WriteNamedGenerator(const std::string& path, const ColumnRule& generator, std::string* error);
// Reads the generators of a file into `generators` (replacing its content);
// returns 0, or non-zero with `error` set when the file holds no generators
// section (then `generators` is unchanged).
int ReadNamedGenerators(const std::string& path, std::vector<ColumnRule>& generators,
                        std::string* error);
