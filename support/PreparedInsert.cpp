#include "support/PreparedInsert.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "support/Database.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A quoted literal: the text between the quotes, each doubled quote one.
bool ReadText(std::string_view inner, std::string* bytes) {
  if (inner.find('\0') != std::string_view::npos) return false;
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '\'') {
      // A quote that is not doubled ends the literal early: SQL text.
      if (i + 1 >= inner.size() || inner[i + 1] != '\'') return false;
      ++i;
    }
    *bytes += inner[i];
  }
  return true;
}

bool ReadHex(std::string_view hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

// A number as the SQL parser reads it: digits with an optional sign are an
// integer while they fit 64 bits (down to -2^63), anything else numeric is
// a real. False when `text` is not a decimal number.
bool ReadNumber(std::string_view text, ParamValue* value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  const size_t digitsFrom = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  size_t digits = i - digitsFrom;
  const bool integerForm = i == text.size();
  if (i < text.size() && text[i] == '.') {
    ++i;
    const size_t fraction = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    digits += i - fraction;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const size_t exponent = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == exponent) return false;
  }
  if (i != text.size()) return false;
  if (integerForm) {
    // The magnitude, as long as it stays within 2^63.
    constexpr uint64_t kLimit = uint64_t{1} << 63;
    uint64_t magnitude = 0;
    bool fits = true;
    for (size_t k = digitsFrom; k < text.size() && fits; ++k) {
      const uint64_t digit = static_cast<uint64_t>(text[k] - '0');
      if (magnitude > (kLimit - digit) / 10) {
        fits = false;
      } else {
        magnitude = magnitude * 10 + digit;
      }
    }
    if (fits && (magnitude < kLimit || negative)) {
      value->kind = ParamKind::kInteger;
      value->integer = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
      return true;
    }
  }
  value->kind = ParamKind::kReal;
  return true;
}

}  // namespace

bool ReadSqlLiteral(std::string_view literal, ParamValue* value, std::string* bytes) {
  *value = ParamValue{};
  if (literal == "NULL") {
    value->kind = ParamKind::kNull;
    return true;
  }
  const size_t start = bytes->size();
  const auto taken = [&](ParamKind kind, bool ok) {
    if (!ok || bytes->size() - start > std::numeric_limits<uint32_t>::max()) {
      bytes->resize(start);
      return false;
    }
    value->kind = kind;
    value->offset = start;
    value->length = static_cast<uint32_t>(bytes->size() - start);
    return true;
  };
  if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
    return taken(ParamKind::kText, ReadText(literal.substr(1, literal.size() - 2), bytes));
  }
  if (literal.size() >= 3 && (literal[0] == 'X' || literal[0] == 'x') && literal[1] == '\'' && literal.back() == '\'') {
    return taken(ParamKind::kBinary, ReadHex(literal.substr(2, literal.size() - 3), bytes));
  }
  const std::string_view number = TrimSpaces(literal);
  if (!ReadNumber(number, value)) return false;
  if (value->kind == ParamKind::kInteger) return true;
  // A real travels as its text, converted by the server.
  bytes->append(number);
  return taken(ParamKind::kReal, true);
}

void InsertRows::Reset(size_t columns) {
  columns_ = columns;
  Clear();
}

void InsertRows::Clear() {
  values_.clear();
  bindable_.clear();
  bytes_.clear();
}

void InsertRows::BeginRow() { bindable_.push_back(1); }

void InsertRows::Add(std::string_view literal) {
  ParamValue value;
  if (bindable_.back() && !ReadSqlLiteral(literal, &value, &bytes_)) bindable_.back() = 0;
  values_.push_back(value);
}

void InsertRows::AddUnbound() {
  bindable_.back() = 0;
  values_.emplace_back();
}

void InsertRows::EndRow() {
  // A row with more or fewer values than columns cannot be bound.
  if (values_.size() != bindable_.size() * columns_) {
    bindable_.back() = 0;
    values_.resize(bindable_.size() * columns_);
  }
}

bool InsertRows::Uniform(size_t first, size_t count, std::vector<ParamKind>* kinds) const {
  if (count == 0 || first + count > rows()) return false;
  kinds->assign(columns_, ParamKind::kNull);
  for (size_t row = first; row < first + count; ++row) {
    if (!bindable_[row]) return false;
    for (size_t c = 0; c < columns_; ++c) {
      const ParamKind kind = Value(row, c).kind;
      if (kind == ParamKind::kNull) continue;
      ParamKind& column = (*kinds)[c];
      if (column == ParamKind::kNull) {
        column = kind;
      } else if (column != kind) {
        return false;
      }
    }
  }
  return true;
}

PreparedInserts::PreparedInserts(CDB& db, std::string insert) : db_(db), insert_(std::move(insert)) {}

PreparedInserts::~PreparedInserts() = default;

int PreparedInserts::Insert(const InsertRows& rows, size_t first, size_t count) {
  if (!rows.Uniform(first, count, &kinds_)) return kDbNotBound;
  markers_.clear();
  for (const ParamKind kind : kinds_) markers_ += kind == ParamKind::kReal ? 'r' : '?';
  Layout* layout = nullptr;
  for (Layout& known : layouts_) {
    if (known.markers == markers_) {
      layout = &known;
      break;
    }
  }
  if (!layout) {
    if (layouts_.size() >= kMaxLayouts) return kDbNotBound;
    int status = kDbOk;
    layouts_.push_back(Layout{markers_, db_.PrepareInsert(insert_, markers_, &status)});
    layout = &layouts_.back();
  }
  if (!layout->insert) return kDbNotBound;
  return layout->insert->Insert(rows, first, count);
}
