// The scramble target: where a scramble rule writes, and whether that may be
// the very table it reads. Shared by the rule's preparation (the question to
// the user) and the table's preparation (no drop of the source).
#pragma once

#include <string>

#include "project/Project.h"

class CDB;

// Whether `target` may reach the same database as `run`: the interface type
// and every identifying setting both name (driver, data source, server, port,
// database; a database file by its path) agree. Settings only one side names
// do not tell them apart, so the answer errs towards "the same".
bool SameDatabase(const CONN_INFO& run, const CONN_INFO& target);

// Whether the rule's target table may be its source table. PostgreSQL and
// SQLite are asked where the table lives (the server instance and database,
// or the database file's device and inode, and the schema the name resolves
// to); for other servers the connection settings are compared (SameDatabase).
// Owner and name are compared unquoted and in any case. Whatever cannot be
// told apart counts as the same.
bool TargetMayBeSource(const Rule& rule, CDB& run, CDB& target);

// The rule's target table as statements on `target` name it: owner and name
// quoted where the target's server needs it.
std::string ScrambleTargetName(const Rule& rule, const CDB& target);

// Replaces the table name after "create table" in the first line of a create
// statement by `name`. Returns false when the line holds no such name.
bool ReplaceCreatedName(std::string& line, const std::string& name);
