// Column rules for the types a server names itself. Drivers describe many
// types vaguely (psqlODBC reports boolean, json, inet, interval, enums and
// arrays as varchar; SQLite knows only declared types): the descriptor is
// put right from the server's own type name, and types whose values follow a
// grammar of their own get a source that makes only values the server takes.
#pragma once

#include "project/Project.h"
#include "support/ServerTypes.h"

// A random version 4 UUID: servers that check the version and variant
// digits (MariaDB) take it.
inline constexpr const char* kUuidPattern = "XXXXXXXX-XXXX-4XXX-<8|9|\\A|B>XXX-XXXXXXXXXXXX";

// Puts the type name, type code, size and digits of `field` right from the
// server's type, and marks columns the server fills itself as identities.
void DescribeServerType(FLD_DESC& field, const ServerColumnType& type);

// Gives a column still filled at random a source of valid values of its
// server type (enum labels, booleans, JSON, network addresses, intervals,
// arrays, full-text vectors). Returns whether it did.
bool ApplyServerTypeValues(ColumnRule& column, const ServerColumnType& type);

// Keeps a random integer column within the values its server type takes.
void ApplyServerTypeBounds(ColumnRule& column, const ServerColumnType& type);

// The value pattern of one element of an array of `elementType` (lower case,
// size included: "character varying(8)", "integer").
std::string ArrayElementPattern(const std::string& elementType);
