#include "support/SysReg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "support/UserPaths.h"

namespace {

constexpr std::string_view kSignature = "# quarnel store 1";
constexpr char kHex[] = "0123456789ABCDEF";

// Which bytes of a text are written as escapes; see the header for the set.
enum class Field { kValue, kKey, kSection };

bool NeedsEscape(unsigned char c, Field field) {
  if (c < 0x20 || c == 0x7F || c == '\\') return true;
  if (field == Field::kKey) return c == '=';
  if (field == Field::kSection) return c == ']';
  return false;
}

void AppendEscaped(std::string& out, std::string_view text, Field field) {
  // Blanks at either end are escaped so that editors and diff tools that trim
  // lines can not change the value.
  size_t lead = 0;
  while (lead < text.size() && text[lead] == ' ') ++lead;
  size_t trail = text.size();
  while (trail > lead && text[trail - 1] == ' ') --trail;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ' ' && (i < lead || i >= trail)) {
      out += "\\s";
    } else if (i == 0 && field == Field::kKey && (c == '[' || c == '#')) {
      // Would otherwise read back as a section header or a comment.
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (!NeedsEscape(c, field)) {
      out += static_cast<char>(c);
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes AppendEscaped; false on a malformed escape or a raw control byte.
bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 's': out += ' '; break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        int hi = HexDigit(text[i + 1]);
        int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

template <typename T>
bool ParseNumber(const std::string* text, T& out) {
  if (!text || text->empty()) return false;
  const char* first = text->data();
  const char* last = first + text->size();
  if (*first == '+') ++first;  // from_chars refuses a plus sign that hand-edited files may carry
  T value{};
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last) return false;
  out = value;
  return true;
}

// The fixed key of the password obfuscation; changing it makes stored
// passwords unreadable.
constexpr std::string_view kMask = "Quarnel/Orvanesoft:store";

int ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    error = path + ": " + std::strerror(err);
    return err;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info{};
  if (fstat(fd, &info) != 0) {
    int err = errno;
    error = path + ": " + std::strerror(err);
    return err;
  }
  if (!S_ISREG(info.st_mode)) {
    error = path + ": not a regular file";
    return CSysReg::kBadFormat;
  }
  if (static_cast<std::uint64_t>(info.st_size) > CSysReg::kMaxFileSize) {
    error = path + ": file is larger than 256 MiB; not read";
    return CSysReg::kTooLarge;
  }
  text.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  // The size may change under us; read no more than was allocated.
  while (done < text.size()) {
    ssize_t got = ::read(fd, text.data() + done, text.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int err = errno;
      error = path + ": " + std::strerror(err);
      text.clear();
      return err;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  text.resize(done);
  return 0;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

}  // namespace

CSysReg::CSysReg() = default;

CSysReg::CSysReg(std::string_view name, int location, int fresh) { Open(name, location, fresh); }

CSysReg::~CSysReg() = default;

std::string CSysReg::UserStorePath(std::string_view key) {
  size_t cut = key.find_last_of("\\/");
  std::string_view last = cut == std::string_view::npos ? key : key.substr(cut + 1);
  std::string file;
  for (char c : last) {
    // Keep the name a plain file name whatever the key holds.
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '-' || c == '.';
    file += plain ? c : '_';
  }
  if (file.empty() || file.find_first_not_of('.') == std::string::npos) file = "store";
  std::error_code ec;
  std::filesystem::path dir = UserConfigDir(ec);
  if (ec) return {};
  return (dir / (file + ".ini")).string();
}

void CSysReg::SetError(int status, std::string text) {
  status_ = status;
  error_ = std::move(text);
}

int CSysReg::Open(std::string_view name, int location, int fresh) {
  sections_.clear();
  sectionIndex_.clear();
  write_ = nullptr;
  read_ = nullptr;
  modified_ = false;
  SetError(0, {});
  if (location == kUserStore) {
    path_ = UserStorePath(name);
    if (path_.empty()) {
      SetError(kNotOpen, "the per-user configuration folder can not be created");
      return status_;
    }
  } else {
    path_ = std::string(name);
  }
  if (path_.empty()) {
    SetError(kNotOpen, "no file name given");
    return status_;
  }
  if (fresh) return 0;
  std::string text;
  std::string error;
  int rc = ReadWholeFile(path_, text, error);
  if (rc != 0) {
    SetError(rc, std::move(error));
    return status_;
  }
  if (text.empty()) {
    SetError(kBadFormat, path_ + ": file is empty");
    return status_;
  }
  Parse(text);
  read_ = sectionIndex_.count(std::string_view()) ? sections_[0].get() : nullptr;
  return status_;
}

void CSysReg::Parse(std::string_view text) {
  auto firstEnd = text.find('\n');
  std::string_view first = text.substr(0, firstEnd);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != kSignature) {
    SetError(kBadFormat, path_ + ": not a store file of this program");
    return;
  }
  bool truncated = text.back() != '\n';
  if (truncated) {
    // The last line may have lost part of its value; a default is safer.
    text = text.substr(0, text.rfind('\n') + 1);
  }
  size_t badLines = 0;
  size_t firstBad = 0;
  size_t lineNo = 1;
  SectionData* section = &SectionFor({});
  std::string key;
  std::string value;
  size_t pos = firstEnd + 1;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited on Windows
    if (line.empty() || line.front() == '#') continue;
    bool ok = false;
    if (line.front() == '[') {
      if (line.size() >= 2 && line.back() == ']' && Unescape(line.substr(1, line.size() - 2), key)) {
        section = &SectionFor(key);
        ok = true;
      }
    } else if (size_t eq = line.find('='); eq != std::string_view::npos) {
      if (Unescape(line.substr(0, eq), key) && Unescape(line.substr(eq + 1), value)) {
        auto [it, added] = section->index.try_emplace(key, section->items.size());
        if (added) {
          section->items.emplace_back(key, value);
        } else {
          section->items[it->second].second = value;
        }
        ok = true;
      }
    }
    if (!ok && badLines++ == 0) firstBad = lineNo;
  }
  if (badLines) {
    SetError(kBadFormat, path_ + ": " + std::to_string(badLines) +
                             " line(s) could not be read, the first is line " +
                             std::to_string(firstBad));
  } else if (truncated) {
    SetError(kBadFormat, path_ + ": file is truncated (no line end at its end)");
  }
}

CSysReg::SectionData& CSysReg::SectionFor(std::string_view name) {
  auto it = sectionIndex_.find(name);
  if (it != sectionIndex_.end()) return *sections_[it->second];
  if (!name.empty() && sections_.empty()) {
    // The unnamed root section always comes first, so it needs no header.
    SectionFor({});
  }
  sectionIndex_.emplace(std::string(name), sections_.size());
  sections_.push_back(std::make_unique<SectionData>());
  sections_.back()->name = std::string(name);
  return *sections_.back();
}

void CSysReg::Section(std::string_view name, int clear) {
  write_ = &SectionFor(name);
  if (clear && !write_->items.empty()) {
    write_->items.clear();
    write_->index.clear();
    modified_ = true;
  }
}

int CSysReg::ReadSection(std::string_view name) {
  auto it = sectionIndex_.find(name);
  read_ = it == sectionIndex_.end() ? nullptr : sections_[it->second].get();
  return read_ ? 1 : 0;
}

void CSysReg::Put(std::string_view key, std::string_view value) {
  if (!write_) write_ = &SectionFor({});
  auto it = write_->index.find(key);
  if (it == write_->index.end()) {
    write_->index.emplace(std::string(key), write_->items.size());
    write_->items.emplace_back(std::string(key), std::string(value));
    modified_ = true;
    return;
  }
  std::string& stored = write_->items[it->second].second;
  if (stored != value) {
    stored.assign(value);
    modified_ = true;
  }
}

const std::string* CSysReg::Find(std::string_view key) const {
  if (!read_) return nullptr;
  auto it = read_->index.find(key);
  return it == read_->index.end() ? nullptr : &read_->items[it->second].second;
}

std::string_view CSysReg::NumberedKey(std::string_view key, int n) const {
  if (n < 0) return key;
  keyBuf_.assign(key);
  char digits[16];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
  keyBuf_.append(digits, end);
  return keyBuf_;
}

void CSysReg::Save(std::string_view key, std::string_view value) { Put(key, value); }

template <typename T>
static std::string_view FormatNumber(char (&buffer)[24], T value) {
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string_view(buffer, static_cast<size_t>(end - buffer));
}

void CSysReg::Save(std::string_view key, int value) {
  char buffer[24];
  Put(key, FormatNumber(buffer, value));
}
void CSysReg::Save(std::string_view key, unsigned value) {
  char buffer[24];
  Put(key, FormatNumber(buffer, value));
}
void CSysReg::Save(std::string_view key, std::int64_t value) {
  char buffer[24];
  Put(key, FormatNumber(buffer, value));
}
void CSysReg::Save(std::string_view key, std::uint64_t value) {
  char buffer[24];
  Put(key, FormatNumber(buffer, value));
}

bool CSysReg::Read(std::string_view key, std::string& out, std::string_view def) const {
  if (const std::string* found = Find(key)) {
    out = *found;
    return true;
  }
  out.assign(def);
  return false;
}

template <typename T>
static bool ReadNumber(const std::string* found, T& out, T def) {
  if (ParseNumber(found, out)) return true;
  out = def;
  return false;
}

bool CSysReg::Read(std::string_view key, int& out, int def) const {
  return ReadNumber(Find(key), out, def);
}
bool CSysReg::Read(std::string_view key, unsigned& out, unsigned def) const {
  return ReadNumber(Find(key), out, def);
}
bool CSysReg::Read(std::string_view key, std::int64_t& out, std::int64_t def) const {
  return ReadNumber(Find(key), out, def);
}
bool CSysReg::Read(std::string_view key, std::uint64_t& out, std::uint64_t def) const {
  return ReadNumber(Find(key), out, def);
}

void CSysReg::SaveEncodedByNo(std::string_view key, int n, std::string_view plain) {
  std::string coded;
  coded.reserve(plain.size() * 2);
  for (size_t i = 0; i < plain.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(plain[i]) ^
                      static_cast<unsigned char>(kMask[i % kMask.size()]) ^
                      static_cast<unsigned char>(i * 7);
    coded += kHex[c >> 4];
    coded += kHex[c & 15];
  }
  Save(NumberedKey(key, n), std::string_view(coded));
}

bool CSysReg::ReadDecodedByNo(std::string_view key, int n, std::string& out,
                              std::string_view def) const {
  const std::string* coded = Find(NumberedKey(key, n));
  if (!coded || coded->size() % 2 != 0) {
    out.assign(def);
    return false;
  }
  std::string plain;
  plain.reserve(coded->size() / 2);
  for (size_t i = 0; i < coded->size() / 2; ++i) {
    int hi = HexDigit((*coded)[2 * i]);
    int lo = HexDigit((*coded)[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      out.assign(def);
      return false;
    }
    plain += static_cast<char>(static_cast<unsigned char>(hi * 16 + lo) ^
                               static_cast<unsigned char>(kMask[i % kMask.size()]) ^
                               static_cast<unsigned char>(i * 7));
  }
  out = std::move(plain);
  return true;
}

std::string CSysReg::Serialise() const {
  size_t size = kSignature.size() + 1;
  for (const auto& section : sections_) {
    size += section->name.size() + 3;
    for (const auto& [key, value] : section->items) size += key.size() + value.size() + 2;
  }
  std::string out;
  out.reserve(size + size / 8);
  out += kSignature;
  out += '\n';
  for (const auto& section : sections_) {
    if (!section->name.empty()) {
      out += '[';
      AppendEscaped(out, section->name, Field::kSection);
      out += "]\n";
    }
    for (const auto& [key, value] : section->items) {
      AppendEscaped(out, key, Field::kKey);
      out += '=';
      AppendEscaped(out, value, Field::kValue);
      out += '\n';
    }
  }
  return out;
}

int CSysReg::SaveSection(int* status) {
  auto fail = [&](int code, std::string text) {
    SetError(code, std::move(text));
    if (status) *status = code;
    return 0;
  };
  if (path_.empty()) return fail(kNotOpen, "the store has no file");
  namespace fs = std::filesystem;
  // Saving through a symbolic link updates the file it points to; renaming
  // over the link would put a new file in its place.
  fs::path target(path_);
  std::error_code linkError;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, linkError)); ++hops) {
    const fs::path next = fs::read_symlink(target, linkError);
    if (linkError) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const std::string written = target.string();
  if (target.has_parent_path()) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);  // a failure shows at mkstemp
  }
  std::string tmp = written + ".tmpXXXXXX";
  int fd = mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    return fail(err, written + ": can not create a temporary file: " + std::strerror(err));
  }
  std::string data = Serialise();
  int err = 0;
  errno = 0;
  if (fchmod(fd, mode_) != 0 || !WriteAll(fd, data) || fsync(fd) != 0) err = errno ? errno : EIO;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tmp.c_str(), written.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    return fail(err, written + ": " + std::strerror(err));
  }
  // Make the rename itself durable; a failure here does not undo the save.
  fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    ::close(dirFd);
  }
  modified_ = false;
  SetError(0, {});
  if (status) *status = 0;
  return 1;
}

int CSysReg::Close() {
  if (!modified_) return 0;
  int status = 0;
  SaveSection(&status);
  return status;
}
