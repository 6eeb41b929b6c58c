// What the editors need from the window besides the record they edit: the
// connection, the settings of new rules and of sample generation, the value
// library and the table-name cache. Everything is borrowed.
//
// REQUIRES: every pointer is null or outlives the dialogs given the context.
#pragma once

#include "engine/RunOptions.h"
#include "quarnel/AutoRules.h"
#include "quarnel/TableNames.h"

class CDB;
class VLibrary;
struct Project;

struct EditorContext {
  CDB* db = nullptr;                 // the current connection; may be unconnected
  const Project* project = nullptr;  // the named generators offered to columns
  AutoRuleSettings autoRules;        // for MakeRule when a rule's table changes
  // Run settings the samples are generated with (formats, value library,
  // connection, project); the window fills it as for a run.
  RunOptions sampleOptions;
  VLibrary* library = nullptr;       // the catalogue of the Value Library page
  TableNameCache* tableNames = nullptr;
  TableNameOptions tableOptions;     // target tables of a rule
  bool linkedViews = false;          // ShowViews: views on the linked-table page
};
