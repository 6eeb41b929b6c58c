// CSysReg: a sectioned key/value store kept in a text file of our own format.
//
// A store is opened on (name, location). Location 0 (kDiskFile) takes `name` as
// a file path: project files, named-generator files, connection profiles.
// Location 1 (kUserStore) takes a per-user key such as
// "Software\Orvanesoft\Quarnel\GlobalVars"; its last component names a file in
// the per-user configuration folder ("GlobalVars.ini").
//
// The file is UTF-8 text: a signature line, then the keys of the unnamed root
// section, then "[Section]" headers each followed by "Key=value" lines, all in
// the order first written. Numbered keys are the key with the number appended
// ("Name3"). Values are escaped with backslashes (\\ \n \r \t \s \xHH) wherever
// a raw byte would not survive a text editor or the line structure, so every
// text round-trips exactly; the same store always serialises to the same bytes.
//
// Commits write the whole store to a temporary file in the same folder, fsync
// it and rename it over the old file: a failed commit leaves the old file as it
// was. Reading never fails hard: a missing, empty, foreign, truncated or binary
// file leaves the keys that could be read (possibly none), every other key reads
// as its default, and LastError() says what was wrong.
//
// REQUIRES: changes reach the disk only through SaveSection() or Close(); the
// destructor discards them, so a half-written store never replaces a good file.
// Not thread-safe; one thread uses one store at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <utility>
#include <vector>

class CSysReg {
 public:
  static constexpr int kDiskFile = 0;
  static constexpr int kUserStore = 1;

  // Status codes beside the system's errno values.
  static constexpr int kBadFormat = 1001;  // not our format, or lines that could not be read
  static constexpr int kTooLarge = 1002;   // file larger than kMaxFileSize
  static constexpr int kNotOpen = 1003;    // commit without a file name
  static constexpr std::uint64_t kMaxFileSize = 256ull << 20;

  CSysReg();
  // Opens as Open() does; see LastStatus()/LastError() for the outcome.
  CSysReg(std::string_view name, int location, int fresh = 0);
  ~CSysReg();
  CSysReg(const CSysReg&) = delete;
  CSysReg& operator=(const CSysReg&) = delete;

  // Reads the store's file. With `fresh` set the file is not read: the store
  // starts empty and its next commit replaces the file. Returns 0, ENOENT when
  // the file does not exist yet (the store is empty and usable), or another
  // error code; the store is usable in every case.
  int Open(std::string_view name, int location, int fresh = 0);
  // Commits when something changed since the last commit; returns 0 or an
  // error code. The store stays readable afterwards.
  int Close();

  // Chooses the section written next, creating it at the end when new. With
  // `clear` set its existing keys are dropped first (a rewrite of the section).
  void Section(std::string_view name, int clear = 0);
  // Chooses the section read next; returns 1 when it exists, else 0 (every
  // read then gives its default).
  int ReadSection(std::string_view name);
  // Writes the store to its file. Returns non-zero on success; `status`, when
  // given, receives 0 or the error code (an errno value or one above).
  int SaveSection(int* status = nullptr);

  // File mode of the file written by the next commits (default 0644; 0600 for
  // files that hold passwords).
  void SetFileMode(mode_t mode) { mode_ = mode; }

  void Save(std::string_view key, std::string_view value);
  void Save(std::string_view key, int value);
  void Save(std::string_view key, unsigned value);
  void Save(std::string_view key, std::int64_t value);
  void Save(std::string_view key, std::uint64_t value);

  // Reads into `out`; returns true when the key exists and holds a value of
  // the asked type, else stores `def` and returns false. Integers are decimal;
  // text where a number is expected, or a number out of range, gives `def`.
  bool Read(std::string_view key, std::string& out, std::string_view def = {}) const;
  bool Read(std::string_view key, int& out, int def = 0) const;
  bool Read(std::string_view key, unsigned& out, unsigned def = 0) const;
  bool Read(std::string_view key, std::int64_t& out, std::int64_t def = 0) const;
  bool Read(std::string_view key, std::uint64_t& out, std::uint64_t def = 0) const;

  // The n-th instance of a repeated key: key "Name" and n 3 is "Name3". A
  // negative n addresses the key itself, so callers can share one code path for
  // numbered and single records.
  template <typename T>
  void SaveByNo(std::string_view key, int n, T value) {
    Save(NumberedKey(key, n), value);
  }
  template <typename T, typename D>
  bool ReadByNo(std::string_view key, int n, T& out, D def) const {
    return Read(NumberedKey(key, n), out, def);
  }

  // A text kept obfuscated in the file (passwords). This only hides the text
  // from a casual look; it is not encryption.
  void SaveEncodedByNo(std::string_view key, int n, std::string_view plain);
  bool ReadDecodedByNo(std::string_view key, int n, std::string& out,
                       std::string_view def = {}) const;

  int LastStatus() const { return status_; }
  const std::string& LastError() const { return error_; }
  const std::string& Path() const { return path_; }

  // The file a per-user key maps to ("...\GlobalVars" -> <config>/GlobalVars.ini);
  // empty when the configuration folder can not be made.
  static std::string UserStorePath(std::string_view key);

 private:
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using Index = std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>>;
  struct SectionData {
    std::string name;
    std::vector<std::pair<std::string, std::string>> items;
    Index index;
  };

  SectionData& SectionFor(std::string_view name);
  const std::string* Find(std::string_view key) const;
  void Put(std::string_view key, std::string_view value);
  std::string_view NumberedKey(std::string_view key, int n) const;
  void Parse(std::string_view text);
  std::string Serialise() const;
  void SetError(int status, std::string text);

  std::string path_;
  mode_t mode_ = 0644;
  std::vector<std::unique_ptr<SectionData>> sections_;
  Index sectionIndex_;
  SectionData* write_ = nullptr;
  const SectionData* read_ = nullptr;
  bool modified_ = false;
  int status_ = 0;
  std::string error_;
  mutable std::string keyBuf_;  // reused for numbered keys, so reads do not allocate
};
