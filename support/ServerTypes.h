// The types of a table's columns as the server itself names them. The ODBC
// description says too little for making values: psqlODBC reports boolean,
// json, enums, domains, arrays, inet and most other PostgreSQL types as
// varchar, and SQLite keeps nothing but the declared type. Building rules
// from a schema reads these to choose values the server accepts.
#pragma once

#include <string>
#include <vector>

class CDB;

struct ServerColumnType {
  std::string column;
  std::string typeName;  // as the server writes it: "numeric(10,2)", "text[]", "mpaa_rating", "year"
  // The type values are made for, in lower case: a domain's base type, an
  // array's element type, else the type itself ("numeric(10,2)", "integer").
  std::string baseType;
  bool isArray = false;
  bool serverFilled = false;             // an identity or a generated column: the server fills it
  std::vector<std::string> enumLabels;   // an enum's (or a MySQL set's) labels, in their order
  std::vector<std::string> checks;       // a domain's check texts, written about the column
  // The values an integer type takes where its ODBC type code says more
  // (MySQL's signed tiny and medium integers, its unsigned integers, YEAR).
  std::string minValue;
  std::string maxValue;
};

struct ServerTableTypes {
  std::vector<ServerColumnType> columns;
  // A table partitioned by ranges of one column: the column and the span its
  // partitions cover from `rangeLow` up to, not including, `rangeHigh`, as the
  // server writes the bounds. Empty when the table is not partitioned so, or
  // when a default partition takes every other value.
  std::string rangeColumn;
  std::string rangeLow;
  std::string rangeHigh;
};

// Reads the column types of `table` (owner empty: the connection's) on
// PostgreSQL, SQLite, MySQL and MariaDB; other servers give no columns. Returns a CDB status.
int ReadServerTypes(CDB& db, const std::string& table, const std::string& owner, ServerTableTypes* types);

// Tables of `owner` that are partitions of another table (PostgreSQL): rows
// go in through the partitioned table. Returns a CDB status.
int ReadPartitionNames(CDB& db, const std::string& owner, std::vector<std::string>* names);
