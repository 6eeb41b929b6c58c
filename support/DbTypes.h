// Descriptors of database objects shared by every layer: a named object with
// its owner (schema), a column, a primary-key column, a foreign key and a table
// entry of a catalogue listing. Columns read from a connection keep a pointer to
// it so that names can be quoted the way that server wants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CDB;

// A named database object. `db` is not owned; it may be null, in which case
// names are used unquoted.
struct DBobj {
  std::string Name;
  std::string Owner;
  CDB* db = nullptr;

  // Quoted name when the connection says the name needs quotes (or always when
  // `force` is set).
  std::string NameQ(int force = 0) const;
  // Owner-qualified, quoted name ("owner"."name"); only the name when there is
  // no owner or `noOwner` is set.
  std::string NameFullQ(int force = 0, int noOwner = 0) const;
};

// A column. Type codes are the ODBC SQL type codes (SQL_VARCHAR, SQL_INTEGER, ...).
struct FLD_DESC : DBobj {
  std::string TypeName;   // type as the server names it, e.g. "varchar", "NUMERIC(12,2)"
  int16_t iType = 0;      // ODBC SQL type code
  int iSize = 0;          // column size (characters, digits or bytes)
  int16_t iDigits = 0;    // decimal digits
  int16_t isNull = 1;     // 1 when the column accepts NULL
  std::string sDefault;   // default value expression, empty when none
  int16_t isKey = 0;      // part of the primary key
  int16_t isAutoIncrement = 0;  // identity / auto-increment / serial column
  int16_t isUnique = 0;   // a unique index covers this column alone (from CDB::UniqueColumns)
  std::string sCheck;     // check-constraint texts that name this column, joined by " AND "

  int IsIdentity() const { return isAutoIncrement != 0; }
  // Literal delimiter of values of this type: "'" for quoted types, else empty.
  const char* Quote() const { return TypeWithQuotas(iType) ? "'" : ""; }
  int TypeIsUnicode() const;
  // Size text for a column definition: "(10)", "(12,2)", or empty when the type
  // takes no size. With `withParens` 0 the parentheses are left out.
  std::string sSize(int withParens = 1, int unused = 0) const;
  // Check-constraint text; returns 1 when the column has one.
  int Check(std::string* text) const;

  // 1 for types whose literals are quoted: characters, dates, times, GUIDs, binary.
  static int TypeWithQuotas(int sqlType);
  // Whether values of the type are bytes (binary, varbinary, long varbinary).
  static bool TypeIsBinary(int sqlType);
  // Whether values of the type are characters (char, varchar, text and their wide kinds).
  static bool TypeIsText(int sqlType);
};

struct PK_DESC {
  std::string Table;
  std::string Column;
  std::string KeyName;
  int Position = 0;  // 1-based position within the key
};

struct FK_DESC {
  std::string Column;       // local column
  std::string RefOwner;     // referenced owner (schema), may be empty
  std::string RefTable;
  std::string RefColumn;
  std::string KeyName;
  int Position = 0;
};

// Kinds of catalogue objects asked of TablesList.
enum TableKind { kTables = 1, kViews = 2, kSynonyms = 4 };

struct TABLE_DESC : DBobj {
  int Kind = kTables;       // one of TableKind
  std::string Remarks;
};

using FieldList = std::vector<FLD_DESC>;
