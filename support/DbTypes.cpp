#include "support/DbTypes.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "support/Database.h"

std::string DBobj::NameQ(int force) const { return db ? db->QuotedStr(Name, force) : Name; }

std::string DBobj::NameFullQ(int force, int noOwner) const {
  const std::string& owner = !Owner.empty() ? Owner : (db ? db->Owner() : Owner);
  if (noOwner || owner.empty()) return NameQ(force);
  return (db ? db->QuotedStr(owner, force) : owner) + "." + NameQ(force);
}

int FLD_DESC::TypeIsUnicode() const {
  if (iType == SQL_WCHAR || iType == SQL_WVARCHAR || iType == SQL_WLONGVARCHAR) return 1;
  return !TypeName.empty() && (TypeName[0] == 'N' || TypeName[0] == 'n') && TypeName.size() > 1 &&
         (TypeName[1] == 'C' || TypeName[1] == 'c' || TypeName[1] == 'V' || TypeName[1] == 'v' ||
          TypeName[1] == 'T' || TypeName[1] == 't');
}

std::string FLD_DESC::sSize(int withParens, int) const {
  if (iSize <= 0) return "";
  std::string size;
  switch (iType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
      size = std::to_string(iSize);
      break;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      size = std::to_string(iSize);
      if (iDigits > 0) size += "," + std::to_string(iDigits);
      break;
    default:
      return "";
  }
  return withParens ? "(" + size + ")" : size;
}

int FLD_DESC::Check(std::string* text) const {
  *text = sCheck;
  return sCheck.empty() ? 0 : 1;
}

bool FLD_DESC::TypeIsBinary(int sqlType) {
  return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

bool FLD_DESC::TypeIsText(int sqlType) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
      return true;
    default:
      return false;
  }
}

int FLD_DESC::TypeWithQuotas(int sqlType) {
  if (TypeIsText(sqlType)) return 1;
  switch (sqlType) {
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_GUID:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return 1;
    default:
      return 0;
  }
}
