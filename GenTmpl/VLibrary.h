// VLibrary: the value library, a reference collection of realistic values
// (names, cities, countries with their codes, phrases ...) that columns and
// pattern functions draw from.
//
// A library is either a database file read through ODBC (one table per list,
// one column per field, and the catalogue table `_Index`), or an XML file
// whose root "library" holds one element per list with "item" elements that
// carry one attribute per field. A list is one field of one list, optionally
// narrowed by a filter; loaded lists stay cached for the life of the library,
// so each distinct (list, field, filter) is read once.
//
// REQUIRES: the log given to Open outlives the library. One thread at a time
// uses an object (a run's worker, or the interface thread between runs).
#pragma once

#include <array>
#include <cstddef>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CDB;
class CLog;
class HTML;

// Phrases of the text function, filled once per pattern engine and kept by it.
struct PhraseList {
  std::vector<std::string> phrases;
  bool filled = false;
};

class VLibrary {
 public:
  // ListValue error codes.
  static constexpr int kErrListNotLoaded = 1850;
  static constexpr int kErrNoValueShortEnough = 1860;
  // LoadList results besides 0 (loaded now) and 1 (from the cache).
  static constexpr int kLoadFailed = -1;
  static constexpr int kLoadBadName = -2;

  VLibrary();
  ~VLibrary();
  VLibrary(const VLibrary&) = delete;
  VLibrary& operator=(const VLibrary&) = delete;

  // Opens `path`: an XML library when the path is longer than four characters
  // and ends in "xml" (any case), else a database library (".mdb" through the
  // MDB Tools driver, anything else through the SQLite driver; a missing file
  // is never created). Forgets whatever was open before. Returns 0, or -1 with
  // the reason shown to the user and logged.
  int Open(const std::string& path, CLog& log);
  bool IsOpen() const { return open_; }
  bool IsXml() const { return xml_; }
  const std::string& Path() const { return path_; }
  // Text of the last failure; after a failed Open, "The value library '<path>'
  // could not be opened: <reason>".
  const std::string& LastError() const { return lastError_; }

  // Copies the values of `field` of `list` (narrowed by `filter`, an SQL
  // condition for a database library; for an XML library conditions of the
  // form Field='text' joined by "and") into `values`. Names must be plain
  // identifiers. Returns 0 when read now, 1 when taken from the cache,
  // kLoadBadName for a refused name and kLoadFailed for any other failure
  // (`values` is then empty). Resets the sequential cursor.
  int LoadList(std::string_view list, std::string_view field, std::string_view filter,
               std::vector<std::string>& values);

  // Copies the items of `list` as rows: columns[f][i] is field `fields[f]` of
  // item i, the empty text where an item has none, so that the columns stay
  // aligned (LoadList gives each field's distinct values instead). Names must
  // be plain identifiers. Not cached. Returns 0, kLoadBadName or kLoadFailed
  // (`columns` is then empty and LastError says why).
  int LoadRows(std::string_view list, std::span<const std::string> fields,
               std::vector<std::vector<std::string>>& columns);

  // One value of a list, loading it on first use. `sequential` takes the next
  // value of the cursor shared by all lists, else a random one. With
  // `maxLength` > 0 up to ten picks are made for a value of at most that many
  // characters. `errorCode` is 0, kErrListNotLoaded or kErrNoValueShortEnough (the
  // value is then empty and `errorMessage` says why). The text stays valid
  // until the next ListValue or LoadList, or until the library is opened
  // again or destroyed.
  std::string_view ListValue(std::string_view list, std::string_view field,
                             std::string_view filter, int maxLength, bool sequential,
                             int& errorCode, std::string& errorMessage);

  // A text of random phrases shorter than `maxLength` characters. `phrases` is
  // filled on its first use only: from the lines of the file `languageOrFile`
  // names, as written, when it exists (this library need not be open then),
  // else from list Phrases of this library, in the language given, upper-cased
  // (all when empty). Returns
  // 0, or kLoadFailed when no phrase could be had (`out` is then empty).
  int PhraseText(PhraseList& phrases, std::string_view languageOrFile, int maxLength,
                 std::string& out);

  // Writes the catalogue's lists of a database library as an XML library
  // document (declaration and root included) that Open reads back. Returns 0,
  // the number of lists that could not be exported, or -1 when no database
  // library is open or the writer failed.
  int ExportXml(HTML& writer);

  // The names the rule editor offers: the lists that are not hidden, the
  // fields of a list, and the columns of its fields that are not hidden.
  // Each returns 0, or -1 (LastError says why).
  int ListNames(std::vector<std::string>& names);
  int FieldNames(std::string_view list, std::vector<std::string>& names);
  int ColumnNames(std::string_view list, std::vector<std::string>& names);

  // Whether `name` may stand in a statement as a list or field name: letters,
  // digits and underscores, not starting with a digit.
  static bool IsPlainName(std::string_view name);
  // Splits a column rule's library name "List.Field" at the first "."; the
  // field is "Name" when there is none.
  static void SplitLibName(std::string_view libName, std::string& list, std::string& field);

 private:
  struct CacheEntry;
  struct XmlList;

  void Close();
  int OpenXml();
  int OpenDatabase();
  // The cached entry for the three texts, or null.
  const CacheEntry* Cached(std::string_view list, std::string_view field, std::string_view filter);
  // Loads the three texts into a new cache entry, successful or not.
  const CacheEntry& Add(std::string_view list, std::string_view field, std::string_view filter);
  int LoadFromXml(CacheEntry& entry);
  int LoadFromDatabase(CacheEntry& entry);
  // Runs `sql` and appends the first column of every non-NULL row.
  int QueryTexts(const std::string& sql, std::vector<std::string>& out);
  // Field names, or with `columns` the columns of the fields not hidden.
  int CatalogueQuery(std::string_view list, bool columns, std::vector<std::string>& names);
  int ExportList(HTML& writer, std::string_view list, std::span<const std::string_view> fields);
  int FillPhrases(std::vector<std::string>& phrases, std::string_view languageOrFile);
  const XmlList* FindXmlList(std::string_view name) const;
  // Index of the next value of a list of n > 0 values.
  size_t Pick(size_t n, bool sequential);
  // Logs `logged`, shows which library could not be opened and why, and
  // keeps that as LastError; returns -1.
  int OpenFailed(std::string_view caption, const std::string& logged, const std::string& reason);

  std::string path_;
  bool xml_ = false;
  bool open_ = false;
  CLog* log_ = nullptr;
  std::unique_ptr<CDB> db_;
  std::vector<XmlList> xmlLists_;
  // Loaded lists, the most recently used first. A condition that names a
  // column makes one list per value of that column: the least recently used
  // lists go once the cache holds more than kMaxCacheEntries lists or
  // kMaxCacheBytes.
  static constexpr size_t kMaxCacheEntries = 256;
  static constexpr size_t kMaxCacheBytes = size_t{64} << 20;
  using CacheList = std::list<std::unique_ptr<CacheEntry>>;
  CacheList cache_;
  std::unordered_map<std::string, CacheList::iterator> cacheIndex_;
  size_t cacheBytes_ = 0;
  // The entries found last, found without a key; an evicted entry leaves.
  std::array<CacheEntry*, 8> recent_{};
  size_t nextRecent_ = 0;
  void Remember(CacheEntry* entry);
  std::string cacheKey_;  // reused: a look-up allocates only while it grows
  // Sets cacheKey_ to the key of the three texts, in which case does not count.
  void MakeCacheKey(std::string_view list, std::string_view field, std::string_view filter);
  size_t cursor_ = 0;
  std::string lastError_;
};
