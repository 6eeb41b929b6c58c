#include "support/ConnInfo.h"

#include "support/SysReg.h"
#include "support/TextUtil.h"

namespace {

// A value of a connection-string attribute, braced when it holds characters
// that would end or split it.
std::string AttributeValue(const std::string& value) {
  if (value.find_first_of(";{}= ") == std::string::npos) return value;
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

std::string CONN_INFO::OdbcString() const {
  if (!conStr.empty()) return conStr;
  std::string text = "DSN=" + AttributeValue(conDSN) + ";";
  if (!conUser.empty()) text += "UID=" + AttributeValue(conUser) + ";";
  if (!conPwd.empty()) text += "PWD=" + AttributeValue(conPwd) + ";";
  return text;
}

std::string CONN_INFO::ConInfo() const {
  std::string text = !conStr.empty() ? HidePassword(conStr) : "DSN=" + conDSN;
  if (conStr.empty() && !conUser.empty()) text += ", user " + conUser;
  if (!conOwner.empty()) text += ", owner " + conOwner;
  return text;
}

namespace {

// The connection string with the value of each PWD or PASSWORD part replaced
// by `mask`, or with those parts left out when `mask` is null.
std::string EditPassword(const std::string& connectionString, const char* mask) {
  std::string out;
  size_t pos = 0;
  while (pos < connectionString.size()) {
    size_t end = connectionString.find(';', pos);
    // A braced value may hold ';'.
    size_t eq = connectionString.find('=', pos);
    if (eq != std::string::npos && (end == std::string::npos || eq < end) && eq + 1 < connectionString.size() &&
        connectionString[eq + 1] == '{') {
      size_t close = connectionString.find('}', eq + 2);
      while (close != std::string::npos && close + 1 < connectionString.size() && connectionString[close + 1] == '}')
        close = connectionString.find('}', close + 2);
      end = close == std::string::npos ? std::string::npos : connectionString.find(';', close);
    }
    std::string part = connectionString.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    std::string key = ToUpperAscii(TrimText(part.substr(0, part.find('='))));
    const bool password = key == "PWD" || key == "PASSWORD";
    if (password && mask) part = part.substr(0, part.find('=') + 1) + mask;
    if (!password || mask) {
      if (!out.empty() && out.back() != ';') out += ';';
      out += part;
    }
    if (end == std::string::npos) break;
    if (!password || mask) out += ';';
    pos = end + 1;
  }
  return out;
}

}  // namespace

std::string HidePassword(const std::string& connectionString) {
  return EditPassword(connectionString, "***");
}

CONN_INFO CONN_INFO::WithoutPassword() const {
  CONN_INFO copy = *this;
  copy.conPwd.clear();
  copy.conStr = EditPassword(conStr, nullptr);
  return copy;
}

bool CONN_INFO::HoldsPassword() const {
  return !conPwd.empty() || EditPassword(conStr, nullptr) != conStr;
}

namespace {
// Key of one field of a connection record named `name` in a store section.
std::string FieldKey(const std::string& name, const char* field) { return name + "." + field; }
}  // namespace

void CONN_INFO::Save(CSysReg& store, const std::string& name, int number) const {
  store.SaveByNo(FieldKey(name, "ConType"), number, ConType);
  store.SaveByNo(FieldKey(name, "conDSN"), number, std::string_view(conDSN));
  store.SaveByNo(FieldKey(name, "conUser"), number, std::string_view(conUser));
  store.SaveEncodedByNo(FieldKey(name, "conPwd"), number, conPwd);
  store.SaveByNo(FieldKey(name, "conDB"), number, std::string_view(conDB));
  store.SaveByNo(FieldKey(name, "conFile"), number, std::string_view(conFile));
  store.SaveByNo(FieldKey(name, "conOwner"), number, std::string_view(conOwner));
  store.SaveByNo(FieldKey(name, "conStr"), number, std::string_view(conStr));
  store.SaveByNo(FieldKey(name, "conServer"), number, std::string_view(conServer));
  store.SaveByNo(FieldKey(name, "conDriver"), number, conDriver);
  store.SaveByNo(FieldKey(name, "conMode"), number, conMode);
  store.SaveByNo(FieldKey(name, "conInt"), number, conInt);
}

void CONN_INFO::Load(CSysReg& store, const std::string& name, int number) {
  store.ReadByNo(FieldKey(name, "ConType"), number, ConType, 0);
  store.ReadByNo(FieldKey(name, "conDSN"), number, conDSN, "");
  store.ReadByNo(FieldKey(name, "conUser"), number, conUser, "");
  store.ReadDecodedByNo(FieldKey(name, "conPwd"), number, conPwd, "");
  store.ReadByNo(FieldKey(name, "conDB"), number, conDB, "");
  store.ReadByNo(FieldKey(name, "conFile"), number, conFile, "");
  store.ReadByNo(FieldKey(name, "conOwner"), number, conOwner, "");
  store.ReadByNo(FieldKey(name, "conStr"), number, conStr, "");
  store.ReadByNo(FieldKey(name, "conServer"), number, conServer, "");
  store.ReadByNo(FieldKey(name, "conDriver"), number, conDriver, 0);
  store.ReadByNo(FieldKey(name, "conMode"), number, conMode, 0);
  store.ReadByNo(FieldKey(name, "conInt"), number, conInt, 0);
}
