#include "GenTmpl/VLibrary.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unordered_set>
#include <utility>

#include "support/Database.h"
#include "support/HtmlWriter.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "support/TextUtil.h"
#include "values/Random.h"

namespace fs = std::filesystem;

namespace {

// The lists an XML library is read for and a database library is exported with.
struct CatalogueList {
  std::string_view name;
  std::array<std::string_view, 6> fields;
  size_t count;
  std::span<const std::string_view> Fields() const { return {fields.data(), count}; }
};

constexpr std::array<CatalogueList, 16> kCatalogue = {{
    {"Cities", {"Name", "Country", "State"}, 3},
    {"Colors", {"Name"}, 1},
    {"Companies", {"Name", "ShortName", "Domain"}, 3},
    {"Countries", {"Name", "Code2", "Code3", "Capital", "Currency", "CurrencyCode"}, 6},
    {"Departments", {"Name"}, 1},
    {"FirstNames", {"Name"}, 1},
    {"FullNames", {"Name"}, 1},
    {"Industries", {"Name"}, 1},
    {"LastNames", {"Name"}, 1},
    {"Months", {"Name", "ShortName"}, 2},
    {"Occupations", {"Name"}, 1},
    {"Phrases", {"Phrase", "Language"}, 2},
    {"Region", {"Name"}, 1},
    {"Streets", {"Name", "Country"}, 2},
    {"US_States", {"Name", "Code", "Capital"}, 3},
    {"ZipCodes", {"ZipCode", "Country", "City", "State"}, 4},
}};

constexpr std::string_view kBadName =
    "list and field names must be letters, digits and underscores, not starting with a digit";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

// An XML library can not run SQL; it answers the filters callers actually
// pass, conditions Field='text' joined by "and" (quotes doubled inside the
// text). Returns false for anything else.
bool ParseEqualities(std::string_view filter,
                     std::vector<std::pair<std::string, std::string>>& conditions) {
  size_t i = 0;
  const size_t n = filter.size();
  auto skipBlanks = [&] {
    while (i < n && IsBlank(filter[i])) ++i;
  };
  for (;;) {
    skipBlanks();
    const size_t start = i;
    while (i < n && (std::isalnum(static_cast<unsigned char>(filter[i])) || filter[i] == '_')) ++i;
    std::string_view name = filter.substr(start, i - start);
    if (!VLibrary::IsPlainName(name)) return false;
    skipBlanks();
    if (i >= n || filter[i] != '=') return false;
    ++i;
    skipBlanks();
    if (i >= n || filter[i] != '\'') return false;
    ++i;
    std::string value;
    for (;;) {
      if (i >= n) return false;
      if (filter[i] == '\'') {
        if (i + 1 < n && filter[i + 1] == '\'') {
          value += '\'';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      value += filter[i++];
    }
    conditions.emplace_back(name, std::move(value));
    skipBlanks();
    if (i == n) return true;
    if (i + 4 > n || !EqualsNoCase(filter.substr(i, 3), "and") || !IsBlank(filter[i + 3])) {
      return false;
    }
    i += 3;
  }
}

// Attribute values keep tabs and line ends as character references, so a
// value reads back exactly as it was written.
void AppendAttributeValue(std::string& out, std::string_view value) {
  for (char c : HTML::Quoting(value)) {
    if (c == '\n') {
      out += "&#10;";
    } else if (c == '\t') {
      out += "&#9;";
    } else {
      out += c;
    }
  }
}

}  // namespace

struct VLibrary::CacheEntry {
  std::string list;
  std::string field;
  std::string filter;
  std::vector<std::string> values;
  int status = 0;     // 0, kLoadFailed or kLoadBadName
  std::string error;  // the logged message when status is not 0
  std::string key;
  size_t bytes = 0;
  std::list<std::unique_ptr<CacheEntry>>::iterator self;  // its place in the cache
};

struct VLibrary::XmlList {
  std::string name;
  std::vector<std::string> fields;
  // values[f][i]: field f of item i, nothing where the item lacks the attribute.
  std::vector<std::vector<std::optional<std::string>>> values;
};

VLibrary::VLibrary() = default;
VLibrary::~VLibrary() = default;

bool VLibrary::IsPlainName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

void VLibrary::SplitLibName(std::string_view libName, std::string& list, std::string& field) {
  const size_t dot = libName.find('.');
  if (dot == std::string_view::npos) {
    list.assign(libName);
    field = "Name";
  } else {
    list.assign(libName.substr(0, dot));
    field.assign(libName.substr(dot + 1));
  }
}

void VLibrary::Close() {
  db_.reset();
  xmlLists_.clear();
  cache_.clear();
  cacheIndex_.clear();
  cacheBytes_ = 0;
  recent_.fill(nullptr);
  cursor_ = 0;
  open_ = false;
  xml_ = false;
  path_.clear();
  lastError_.clear();
}

int VLibrary::Open(const std::string& path, CLog& log) {
  Close();
  log_ = &log;
  log.State("VLibrary::Open");
  path_ = path;
  xml_ = path.size() > 4 && EndsWithNoCase(path, "xml");
  const int rc = xml_ ? OpenXml() : OpenDatabase();
  open_ = rc == 0;
  return rc;
}

int VLibrary::OpenFailed(std::string_view caption, const std::string& logged, const std::string& reason) {
  log_->Bug(logged, "VLibrary::Open");
  lastError_ = "The value library '" + path_ + "' could not be opened: " + reason;
  CurrentPrompt().Message(caption, lastError_, PromptIcon::kError);
  return -1;
}

int VLibrary::OpenXml() {
  std::string reason;
  try {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(path_.c_str());
    if (!parsed) {
      reason = parsed.description();
    } else if (std::string_view(doc.document_element().name()) != "library") {
      reason = "the root element is not \"library\"";
    } else {
      for (const CatalogueList& list : kCatalogue) {
        const std::string query = "//library/" + std::string(list.name) + "/item";
        const pugi::xpath_node_set items = doc.select_nodes(query.c_str());
        if (items.empty()) continue;
        XmlList& held = xmlLists_.emplace_back();
        held.name = list.name;
        for (std::string_view field : list.Fields()) {
          held.fields.emplace_back(field);
          auto& column = held.values.emplace_back();
          column.reserve(items.size());
          for (const pugi::xpath_node& item : items) {
            const pugi::xml_attribute attr = item.node().attribute(held.fields.back().c_str());
            if (attr) {
              column.emplace_back(attr.value());
            } else {
              column.emplace_back();
            }
          }
        }
      }
      return 0;
    }
  } catch (const std::exception& e) {
    // XPath evaluation reports running out of memory by throwing.
    reason = e.what();
  }
  xmlLists_.clear();
  return OpenFailed("Error", "Could not load XML Value Library:\r\n" + reason, reason);
}

int VLibrary::OpenDatabase() {
  std::string reason;
  std::error_code ec;
  if (!fs::is_regular_file(path_, ec)) {
    reason = "no such file";
  } else if (path_.find_first_of(";{}") != std::string::npos) {
    // These would end or reopen the connection string's value.
    reason = "the path must not contain ';', '{' or '}'";
  } else {
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conFile = path_;
    // NoCreat: a library that vanished must fail, not come back as an empty
    // database.
    info.conStr = EndsWithNoCase(path_, ".mdb")
                      ? "DRIVER=MDBTools;DBQ=" + path_ + ";"
                      : "DRIVER=SQLite3;Database=" + path_ + ";NoCreat=1;";
    db_ = CDB::newDB(CONN_INFO::kOdbc);
    std::vector<std::string> lists;
    if (!CDB::isOK(db_->Connect(info))) {
      reason = db_->ErrorText();
    } else if (QueryTexts("select Name from _Index where Parent=0", lists) != 0) {
      // Drivers open any file lazily; reading the catalogue proves it is a library.
      reason = db_->ErrorText();
    } else {
      return 0;
    }
    db_.reset();
  }
  return OpenFailed("Value Library", "Open Value Library '" + path_ + "' error: " + reason, reason);
}

int VLibrary::QueryTexts(const std::string& sql, std::vector<std::string>& out) {
  int rc = CDB::isOK(db_->Exec(sql)) ? 0 : kLoadFailed;
  std::string text;
  long ind = 0;
  while (rc == 0) {
    const int fetched = db_->Fetch();
    if (fetched == kDbNoData) break;
    if (!CDB::isOK(fetched) || !CDB::isOK(db_->GetDataAsText(1, &text, &ind))) {
      rc = kLoadFailed;
      break;
    }
    if (ind != -1) out.push_back(text);
  }
  // Keep the failure's diagnostics: closing the cursor may replace them.
  const std::string error = db_->ErrorText();
  db_->FreeStmt();
  if (rc != 0) lastError_ = error;
  return rc;
}

const VLibrary::CacheEntry* VLibrary::Cached(std::string_view list, std::string_view field,
                                             std::string_view filter) {
  auto matches = [&](const CacheEntry& e) {
    return EqualsNoCase(e.list, list) && EqualsNoCase(e.field, field) &&
           EqualsNoCase(e.filter, filter);
  };
  // The columns of a row draw from a few lists row after row: those are
  // found among the recent entries without building a key.
  CacheEntry* entry = nullptr;
  for (CacheEntry* e : recent_) {
    if (e && matches(*e)) {
      entry = e;
      break;
    }
  }
  if (!entry) {
    MakeCacheKey(list, field, filter);
    auto found = cacheIndex_.find(cacheKey_);
    if (found == cacheIndex_.end()) return nullptr;
    entry = found->second->get();
    Remember(entry);
  }
  if (cache_.front().get() != entry) cache_.splice(cache_.begin(), cache_, entry->self);
  return entry;
}

void VLibrary::Remember(CacheEntry* entry) {
  recent_[nextRecent_] = entry;
  nextRecent_ = (nextRecent_ + 1) % recent_.size();
}

void VLibrary::MakeCacheKey(std::string_view list, std::string_view field,
                            std::string_view filter) {
  cacheKey_.clear();
  for (std::string_view part : {list, field, filter}) {
    for (char c : part) cacheKey_ += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    cacheKey_ += '\0';
  }
}

const VLibrary::CacheEntry& VLibrary::Add(std::string_view list, std::string_view field,
                                          std::string_view filter) {
  cursor_ = 0;
  auto entry = std::make_unique<CacheEntry>();
  entry->list.assign(list);
  entry->field.assign(field);
  entry->filter.assign(filter);
  if (log_) log_->State("VLibrary::LoadList");
  if (!IsPlainName(list) || !IsPlainName(field)) {
    entry->status = kLoadBadName;
    entry->error = kBadName;
  } else if (!open_) {
    entry->status = kLoadFailed;
    entry->error = "the value library is not open";
  } else {
    entry->status = xml_ ? LoadFromXml(*entry) : LoadFromDatabase(*entry);
  }
  if (entry->status != 0) {
    entry->values.clear();
    entry->error = "Load list '" + entry->list + "." + entry->field + "' error: " + entry->error;
    lastError_ = entry->error;
    if (log_) log_->Bug(entry->error, "VLibrary::LoadList");
  }
  MakeCacheKey(list, field, filter);
  entry->key = cacheKey_;
  entry->bytes = HeldTextBytes(entry->values) + entry->error.size();
  cacheBytes_ += entry->bytes;
  cache_.push_front(std::move(entry));
  cache_.front()->self = cache_.begin();
  cacheIndex_[cache_.front()->key] = cache_.begin();
  while (cache_.size() > 1 && (cache_.size() > kMaxCacheEntries || cacheBytes_ > kMaxCacheBytes)) {
    cacheBytes_ -= cache_.back()->bytes;
    cacheIndex_.erase(cache_.back()->key);
    std::replace(recent_.begin(), recent_.end(), cache_.back().get(), static_cast<CacheEntry*>(nullptr));
    cache_.pop_back();
  }
  Remember(cache_.front().get());
  return *cache_.front();
}

int VLibrary::LoadFromDatabase(CacheEntry& entry) {
  std::string sql = "select distinct " + entry.field + " from " + entry.list + " where " +
                    entry.field + " is not null";
  const std::string filter = TrimText(entry.filter);
  // Parenthesised, so an "or" in the filter can not let NULLs through.
  if (!filter.empty()) sql += " and (" + filter + ")";
  if (QueryTexts(sql, entry.values) != 0) {
    entry.error = lastError_;
    return kLoadFailed;
  }
  return 0;
}

const VLibrary::XmlList* VLibrary::FindXmlList(std::string_view name) const {
  for (const XmlList& list : xmlLists_) {
    if (EqualsNoCase(list.name, name)) return &list;
  }
  return nullptr;
}

int VLibrary::LoadFromXml(CacheEntry& entry) {
  const XmlList* list = FindXmlList(entry.list);
  if (!list) {
    entry.error = "the XML library has no list '" + entry.list + "'";
    return kLoadFailed;
  }
  auto fieldIndex = [list](std::string_view name) -> std::optional<size_t> {
    for (size_t f = 0; f < list->fields.size(); ++f) {
      if (EqualsNoCase(list->fields[f], name)) return f;
    }
    return std::nullopt;
  };
  const std::optional<size_t> field = fieldIndex(entry.field);
  if (!field) {
    entry.error = "the list has no field '" + entry.field + "'";
    return kLoadFailed;
  }
  std::vector<std::pair<std::string, std::string>> parsed;
  if (!ParseEqualities(entry.filter, parsed) && !TrimText(entry.filter).empty()) {
    entry.error = "an XML library takes only filters of the form Field='text' joined by and: " +
                  entry.filter;
    return kLoadFailed;
  }
  std::vector<std::pair<size_t, std::string_view>> conditions;
  for (const auto& [name, value] : parsed) {
    const std::optional<size_t> f = fieldIndex(name);
    if (!f) {
      entry.error = "the list has no field '" + name + "'";
      return kLoadFailed;
    }
    conditions.emplace_back(*f, value);
  }
  // Distinct values in the order they first occur, as a database library
  // gives its values.
  const auto& column = list->values[*field];
  std::unordered_set<std::string_view> seen;
  for (size_t i = 0; i < column.size(); ++i) {
    if (!column[i]) continue;
    const bool matches = std::all_of(conditions.begin(), conditions.end(), [&](const auto& c) {
      const std::optional<std::string>& v = list->values[c.first][i];
      return v && *v == c.second;
    });
    if (matches && seen.insert(*column[i]).second) entry.values.push_back(*column[i]);
  }
  return 0;
}

int VLibrary::LoadList(std::string_view list, std::string_view field, std::string_view filter,
                       std::vector<std::string>& values) {
  cursor_ = 0;
  const CacheEntry* entry = Cached(list, field, filter);
  const bool cached = entry != nullptr;
  if (!cached) entry = &Add(list, field, filter);
  values = entry->values;
  if (entry->status != 0) {
    lastError_ = entry->error;
    return entry->status;
  }
  return cached ? 1 : 0;
}

int VLibrary::LoadRows(std::string_view list, std::span<const std::string> fields,
                       std::vector<std::vector<std::string>>& columns) {
  columns.clear();
  if (log_) log_->State("VLibrary::LoadRows");
  if (!IsPlainName(list) || fields.empty() ||
      !std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return IsPlainName(f); })) {
    lastError_ = kBadName;
    return kLoadBadName;
  }
  if (!open_) {
    lastError_ = "the value library is not open";
    return kLoadFailed;
  }
  columns.resize(fields.size());
  if (xml_) {
    const XmlList* held = FindXmlList(list);
    if (!held) {
      lastError_ = "the XML library has no list '" + std::string(list) + "'";
      columns.clear();
      return kLoadFailed;
    }
    for (size_t f = 0; f < fields.size(); ++f) {
      const auto at = std::find_if(held->fields.begin(), held->fields.end(),
                                   [&](const std::string& name) { return EqualsNoCase(name, fields[f]); });
      if (at == held->fields.end()) {
        lastError_ = "the list has no field '" + fields[f] + "'";
        columns.clear();
        return kLoadFailed;
      }
      for (const std::optional<std::string>& value : held->values[at - held->fields.begin()])
        columns[f].push_back(value.value_or(std::string()));
    }
    return 0;
  }
  std::string sql = "select ";
  for (size_t f = 0; f < fields.size(); ++f) sql += (f ? "," : "") + fields[f];
  sql += " from ";
  sql += list;
  int rc = CDB::isOK(db_->Exec(sql)) ? 0 : kLoadFailed;
  std::string text;
  long ind = 0;
  while (rc == 0) {
    const int fetched = db_->Fetch();
    if (fetched == kDbNoData) break;
    for (size_t f = 0; rc == 0 && f < fields.size(); ++f) {
      if (!CDB::isOK(fetched) ||
          !CDB::isOK(db_->GetDataAsText(static_cast<int>(f + 1), &text, &ind))) {
        rc = kLoadFailed;
      } else {
        columns[f].push_back(ind == -1 ? std::string() : text);
      }
    }
  }
  // Keep the failure's diagnostics: closing the cursor may replace them.
  const std::string error = db_->ErrorText();
  db_->FreeStmt();
  if (rc != 0) {
    lastError_ = "Load list '" + std::string(list) + "' error: " + error;
    if (log_) log_->Bug(lastError_, "VLibrary::LoadRows");
    columns.clear();
  }
  return rc;
}

size_t VLibrary::Pick(size_t n, bool sequential) {
  if (!sequential) {
    // Every value equally likely, in lists of any length.
    return static_cast<size_t>(Random64Below(static_cast<int64_t>(n)));
  }
  // The cursor is shared with longer lists and may stand beyond this one.
  if (cursor_ >= n) cursor_ = 0;
  const size_t at = cursor_;
  if (++cursor_ >= n) cursor_ = 0;
  return at;
}

std::string_view VLibrary::ListValue(std::string_view list, std::string_view field,
                                     std::string_view filter, int maxLength, bool sequential,
                                     int& errorCode, std::string& errorMessage) {
  errorCode = 0;
  const CacheEntry* entry = Cached(list, field, filter);
  if (!entry) entry = &Add(list, field, filter);
  if (entry->status != 0) {
    errorCode = kErrListNotLoaded;
    errorMessage = entry->error;
    return {};
  }
  const std::vector<std::string>& values = entry->values;
  if (values.empty()) return {};
  const int picks = maxLength > 0 ? 10 : 1;
  for (int k = 0; k < picks; ++k) {
    const std::string& value = values[Pick(values.size(), sequential)];
    if (maxLength <= 0 || CharacterCount(value) <= static_cast<size_t>(maxLength)) return value;
  }
  errorCode = kErrNoValueShortEnough;
  errorMessage = "VLibrary::ListValue could not find value with enough length.";
  return {};
}

int VLibrary::FillPhrases(std::vector<std::string>& phrases, std::string_view languageOrFile) {
  std::error_code ec;
  const fs::path file(languageOrFile);
  if (!languageOrFile.empty() && fs::is_regular_file(file, ec)) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      lastError_ = "Could not read '" + file.string() + "'";
      return kLoadFailed;
    }
    std::string line;
    while (std::getline(in, line)) {
      while (!line.empty() && IsBlank(line.back())) line.pop_back();
      phrases.push_back(line);
    }
  } else {
    std::string filter;
    if (!languageOrFile.empty()) {
      filter = "Language='";
      for (char c : ToUpperAscii(languageOrFile)) {
        filter += c;
        if (c == '\'') filter += '\'';
      }
      filter += '\'';
    }
    const int rc = LoadList("Phrases", "Phrase", filter, phrases);
    if (rc != 0 && rc != 1) return rc;
  }
  // An empty phrase would fit forever without lengthening the text.
  std::erase_if(phrases, [](const std::string& p) { return p.empty(); });
  if (phrases.empty()) {
    lastError_ = "no phrases for '" + std::string(languageOrFile) + "'";
    return kLoadFailed;
  }
  return 0;
}

int VLibrary::PhraseText(PhraseList& list, std::string_view languageOrFile, int maxLength,
                         std::string& out) {
  out.clear();
  if (!list.filled) {
    list.filled = true;
    if (log_) log_->State("VLibrary::PhraseText");
    if (FillPhrases(list.phrases, languageOrFile) != 0) return kLoadFailed;
  }
  if (list.phrases.empty()) return kLoadFailed;
  const size_t limit =
      static_cast<size_t>(std::clamp(maxLength, 0, StringGenerator::kMaxTextLength));
  constexpr int kMaxMisses = 20;
  size_t characters = 0;  // of `out`: the limit counts characters
  for (int misses = 0; misses < kMaxMisses;) {
    const std::string& phrase = list.phrases[Pick(list.phrases.size(), false)];
    const size_t length = CharacterCount(phrase);
    if (characters + length < limit) {
      if (!out.empty()) {
        out += ' ';
        ++characters;
      }
      out += phrase;
      characters += length;
    } else {
      ++misses;
    }
  }
  return 0;
}

int VLibrary::ExportList(HTML& writer, std::string_view list,
                         std::span<const std::string_view> fields) {
  std::string sql = "select ";
  for (size_t f = 0; f < fields.size(); ++f) {
    if (f > 0) sql += ", ";
    sql += fields[f];
  }
  sql += " from ";
  sql += list;
  if (!CDB::isOK(db_->Exec(sql))) {
    lastError_ = db_->ErrorText();
    return kLoadFailed;
  }
  writer.OpenTag(list);
  std::string line;
  std::string value;
  long ind = 0;
  int rc = 0;
  for (;;) {
    const int fetched = db_->Fetch();
    if (fetched == kDbNoData) break;
    if (!CDB::isOK(fetched)) {
      rc = kLoadFailed;
      break;
    }
    line = "    <item";
    bool any = false;
    for (size_t f = 0; f < fields.size(); ++f) {
      if (!CDB::isOK(db_->GetDataAsText(static_cast<int>(f + 1), &value, &ind))) {
        rc = kLoadFailed;
        break;
      }
      if (ind == -1) continue;
      line += ' ';
      line += fields[f];
      line += "=\"";
      AppendAttributeValue(line, value);
      line += '"';
      any = true;
    }
    if (rc != 0) break;
    if (!any) continue;
    line += "/>\n";
    writer.Raw(line);
  }
  if (rc != 0) lastError_ = db_->ErrorText();
  db_->FreeStmt();
  writer.CloseTag(list);
  return rc;
}

int VLibrary::ExportXml(HTML& writer) {
  if (log_) log_->State("VLibrary::ExportXml");
  if (!open_ || xml_) {
    lastError_ = "no database value library is open";
    return -1;
  }
  writer.HeadXML();
  writer.OpenTag("library");
  int skipped = 0;
  for (const CatalogueList& list : kCatalogue) {
    if (ExportList(writer, list.name, list.Fields()) != 0) {
      ++skipped;
      const std::string message = "Could not load '" + std::string(list.name) + "'";
      log_->Bug(message + ": " + lastError_, "VLibrary::ExportXml");
      CurrentPrompt().Message("Error", message, PromptIcon::kError);
    }
  }
  writer.CloseTag("library");
  if (writer.Flush() != 0) {
    lastError_ = "the XML library could not be written";
    return -1;
  }
  return skipped;
}

int VLibrary::CatalogueQuery(std::string_view list, bool columns,
                             std::vector<std::string>& names) {
  names.clear();
  if (!IsPlainName(list)) {
    lastError_ = kBadName;
    return -1;
  }
  if (!open_) {
    lastError_ = "the value library is not open";
    return -1;
  }
  if (xml_) {
    if (const XmlList* held = FindXmlList(list)) names = held->fields;
    return 0;
  }
  const std::string sql =
      columns ? "select a.Column from _Index a, _Index b where a.Parent=b.ID and b.Name='" +
                    std::string(list) + "' and a.Hidden=0"
              : "select a.Name from _Index a, _Index b where a.Parent=b.ID and b.Name='" +
                    std::string(list) + "'";
  return QueryTexts(sql, names) == 0 ? 0 : -1;
}

int VLibrary::FieldNames(std::string_view list, std::vector<std::string>& names) {
  return CatalogueQuery(list, false, names);
}

int VLibrary::ColumnNames(std::string_view list, std::vector<std::string>& names) {
  return CatalogueQuery(list, true, names);
}

int VLibrary::ListNames(std::vector<std::string>& names) {
  names.clear();
  if (!open_) {
    lastError_ = "the value library is not open";
    return -1;
  }
  if (xml_) {
    for (const XmlList& list : xmlLists_) names.push_back(list.name);
    return 0;
  }
  return QueryTexts("select Name from _Index where Parent=0 and Hidden=0", names) == 0 ? 0 : -1;
}
