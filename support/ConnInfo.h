// Settings of one database connection. A connection is made either from an
// ODBC data source name with user and password, or from a full ODBC connection
// string (`conStr`, which wins when set). The owner is the schema that names
// are qualified with.
#pragma once

#include <string>

class CSysReg;

struct CONN_INFO {
  int ConType = 0;          // interface type: 0 none, 1 ODBC
  std::string conDSN;       // data source name
  std::string conUser;
  std::string conPwd;
  std::string conDB;        // database name, for display and drivers that take it
  std::string conFile;      // database file (file-based drivers)
  std::string conOwner;     // schema to qualify names with; empty = the server's default
  std::string conStr;       // full ODBC connection string
  std::string conServer;
  int conDriver = 0;
  int conMode = 0;
  int conInt = 0;

  static constexpr int kOdbc = 1;

  bool IsSet() const { return ConType != 0 && (!conStr.empty() || !conDSN.empty()); }

  // The ODBC connection string this record connects with: `conStr`, else one
  // built from the data source, user and password.
  std::string OdbcString() const;

  // One-line description for logs and the status line; never shows a password.
  std::string ConInfo() const;

  // Stores the record as keys prefixed by `name` in the store's current section
  // (numbered with `number` when it is 0 or more); the password is kept encoded.
  void Save(CSysReg& store, const std::string& name, int number = -1) const;
  void Load(CSysReg& store, const std::string& name, int number = -1);

  // The record without its password (the field and any PWD or PASSWORD part
  // of the connection string), for files that must not keep one.
  CONN_INFO WithoutPassword() const;
  bool HoldsPassword() const;

  bool operator==(const CONN_INFO&) const = default;
};

// The connection string with the value of "PWD=...;" (any case) masked, for
// display.
std::string HidePassword(const std::string& connectionString);
