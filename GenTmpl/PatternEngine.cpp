#include "GenTmpl/PatternEngine.h"

#include <array>
#include <filesystem>
#include <utility>

#include "support/Database.h"
#include "support/Log.h"
#include "values/Random.h"

namespace {

// What one outermost Generate on this thread has used so far. Item engines run
// inside their caller's Generate, so they share it.
struct EvaluationBounds {
  int depth = 0;
  std::size_t used = 0;
  int limitCode = 0;
  std::string limitMessage;
};
thread_local EvaluationBounds t_bounds;

std::string g_libraryLocation;
std::unique_ptr<VLibrary> g_sharedLibrary;
// The last location that could not be opened: it was reported once, and
// trying it again for every value would report it for every value.
std::string g_failedLocation;

// Work charged for building one node, in characters of value.
constexpr std::size_t kNodeBuildWork = 16;

// A draw below `bound` that never reaches it, for bounds of any size.
int64_t DrawBelow(int64_t bound) {
  if (bound <= 0) return 0;
  return Random64Below(bound) % bound;
}

// Reads decimal digits from p[pos], saturating far above any bound we allow.
int64_t ReadNumber(std::string_view p, std::size_t& pos) {
  int64_t n = 0;
  while (pos < p.size() && p[pos] >= '0' && p[pos] <= '9') {
    if (n < (int64_t{1} << 50)) n = n * 10 + (p[pos] - '0');
    ++pos;
  }
  return n;
}

// A function parameter without the blanks around it; a blank escaped by a
// backslash ("a\\ ") stays, as the escape asks.
std::string_view TrimParameter(std::string_view s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  std::size_t backslashes = 0;
  while (backslashes < end - begin && s[end - 1 - backslashes] == '\\') ++backslashes;
  if (end < s.size() && backslashes % 2 == 1) ++end;
  return s.substr(begin, end - begin);
}

char ClassChar(char cls) {
  switch (cls) {
    case 'A': return static_cast<char>('A' + Random32Below(26));
    case 'a': return static_cast<char>('a' + Random32Below(26));
    case 'N': return static_cast<char>('0' + Random32Below(10));
    default: {
      int v = Random32Below(16);
      return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10);
    }
  }
}

}  // namespace

// Keeps the engine's frame index and the thread's nesting depth in step.
class PatternEngine::Level {
 public:
  explicit Level(PatternEngine& engine) : engine_(engine) {
    ok_ = t_bounds.depth < kMaxNesting;
    if (!ok_) {
      engine_.LimitError(kErrNestedTooDeep, "Pattern: patterns nested more than " +
                                                std::to_string(kMaxNesting) + " levels deep.");
      return;
    }
    ++t_bounds.depth;
    ++engine_.level_;
  }
  ~Level() {
    if (!ok_) return;
    --t_bounds.depth;
    --engine_.level_;
  }
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;
  bool ok() const { return ok_; }

 private:
  PatternEngine& engine_;
  bool ok_ = false;
};

PatternEngine::PatternEngine() = default;

PatternEngine::~PatternEngine() {
  Clear();
  if (budget_ != &ownBudget_) --budget_->nodes;
}

void PatternEngine::SeedRandom(uint32_t seed) {
  if (seed != 0) {
    SeedRandomSource(seed);
  } else {
    SeedRandomSourceFromEntropy();
  }
}

bool PatternEngine::RepeatableSeed() { return RandomSourceIsRepeatable(); }

void PatternEngine::Init(std::string_view libraryLocation, uint32_t seed, VariableLookup lookup) {
  if (!seeded_) {
    // The source is seeded once per process (or by a repeatable run's
    // caller): reseeding it here would repeat or correlate the values of
    // engines made one after another, item engines above all.
    if (seed != 0) {
      SeedRandom(seed);
    } else if (!RandomSourceIsRepeatable()) {
      SeedRandomSourceFromEntropy();
    }
    seeded_ = true;
  }
  if (!libraryLocation.empty()) {
    library_ = libraryLocation;
    g_libraryLocation = libraryLocation;
  }
  lookup_ = std::move(lookup);
  Reset();
}

void PatternEngine::Reset() {
  // Nodes of an earlier pass stay until Clear but are not bound again.
  base_ = nodes_.size();
  cursor_ = base_;
  compile_ = true;
}

void PatternEngine::NextRow() {
  cursor_ = base_;
  compile_ = false;
}

void PatternEngine::AddColumn(std::string_view name) { columns_.push_back(Column{std::string(name), {}, {}, {}}); }

void PatternEngine::SetColumnValue(int column, std::string_view value, std::string_view format) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return;
  Column& c = columns_[static_cast<std::size_t>(column)];
  c.previous.swap(c.value);
  c.value.assign(value);
  c.format.assign(format);
}

int PatternEngine::Generate(std::string& value, int column, std::string_view pattern,
                            std::string* format) {
  // The pattern may live in the caller's value buffer, which is cleared below.
  std::string aliasCopy;
  if (!pattern.empty() && pattern.data() >= value.data() &&
      pattern.data() < value.data() + value.size()) {
    aliasCopy.assign(pattern);
    pattern = aliasCopy;
  }
  if (t_bounds.depth == 0) {
    t_bounds.used = 0;
    t_bounds.limitCode = 0;
    t_bounds.limitMessage.clear();
  }
  errorCode_ = 0;
  errorMessage_.clear();
  std::string& fmt = format ? *format : itemFormat_;
  fmt.clear();
  value.clear();
  {
    Level level(*this);
    if (level.ok()) Walk(pattern, value, fmt);
  }
  // A bound passed in an item engine stops this evaluation too; say so here
  // rather than return a cut value as a success.
  if (t_bounds.limitCode != 0 && errorCode_ == 0) {
    errorCode_ = t_bounds.limitCode;
    errorMessage_ = t_bounds.limitMessage;
  }
  SetColumnValue(column, value, fmt);
  return errorCode_;
}

int PatternEngine::SetConnection(const CDB* connection) {
  customConnection_.reset();
  if (connection == nullptr) return 0;
  int type = 0;
  connection->Interface(&type);
  customConnection_ = CDB::newDB(type);
  if (!customConnection_) return -1;
  return customConnection_->Connect(*connection);
}

void PatternEngine::Clear() {
  columns_.clear();
  while (!nodes_.empty()) nodes_.pop_back();
  base_ = 0;
  cursor_ = 0;
  customConnection_.reset();
}

void PatternEngine::GensValue(std::string& out) {
  if (cursor_ >= nodes_.size()) {
    errorMessage_ = "GensValue: call without correct initialization [" + std::to_string(cursor_) +
                    " of " + std::to_string(nodes_.size()) + "]";
    return;
  }
  FuncData* node = nodes_[cursor_++].get();
  if (node) node->Value(out);
}

FuncData* PatternEngine::GroupNode(int group) const {
  for (const auto& node : nodes_) {
    if (node && node->IsGroup(group)) return node.get();
  }
  return nullptr;
}

const std::string* PatternEngine::ColumnValueAt(std::size_t index) const {
  return index < columns_.size() ? &columns_[index].value : nullptr;
}

const std::string* PatternEngine::ColumnValue(std::string_view name) const {
  for (const Column& c : columns_) {
    if (c.name == name) return &c.value;
  }
  return nullptr;
}

void PatternEngine::GenerateItem(std::string_view pattern, std::string& value) {
  while (!nodes_.empty()) nodes_.pop_back();
  Reset();
  Generate(value, -1, pattern, &itemFormat_);
}

void PatternEngine::Evaluate(std::string_view pattern, std::string& value, std::string& format) {
  NestedWalk(pattern, value, format);
}

void PatternEngine::EvaluatePattern(std::string_view pattern, std::string& value,
                                    std::string& format) {
  format.clear();
  NestedWalk(pattern, value, format);
}

void PatternEngine::EvaluateInScope(std::string_view pattern, std::string& value,
                                    std::string& format, NodeScope& scope) {
  std::swap(nodes_, scope.nodes);
  std::size_t savedBase = base_, savedCursor = cursor_;
  bool savedCompile = compile_;
  base_ = cursor_ = 0;
  compile_ = !scope.compiled;
  format.clear();
  NestedWalk(pattern, value, format);
  scope.compiled = true;
  std::swap(nodes_, scope.nodes);
  base_ = savedBase;
  cursor_ = savedCursor;
  compile_ = savedCompile;
}

std::unique_ptr<FuncData> PatternEngine::BuildNode(FunctionTable::NodeFactory factory,
                                                   FuncParams params) {
  // Building a node is work of its own, even when it yields nothing: charged,
  // so that patterns that rebuild their nodes over and over stop in time.
  if (!Charge(kNodeBuildWork)) return nullptr;
  NodeScope construction;
  std::swap(nodes_, construction.nodes);
  std::size_t savedBase = base_, savedCursor = cursor_;
  base_ = cursor_ = 0;
  std::unique_ptr<FuncData> node = factory(params, *this);
  std::swap(nodes_, construction.nodes);
  base_ = savedBase;
  cursor_ = savedCursor;
  if (node) {
    node->CountIn(*budget_);
    // Built and dropped at once, what it holds goes back before anything
    // else is made.
    if (!WithinBudget()) node.reset();
  }
  return node;
}

bool PatternEngine::WithinBudget() {
  if (budget_->nodes > kMaxNodes) {
    LimitError(kErrBudget, "Pattern: the pattern needs more than " + std::to_string(kMaxNodes) +
                               " function nodes.");
    return false;
  }
  if (budget_->bytes > kMaxCachedBytes) {
    LimitError(kErrBudget, "Pattern: the sources of the pattern hold more than " +
                               std::to_string(kMaxCachedBytes >> 20) + " MB.");
    return false;
  }
  return true;
}

bool PatternEngine::NestedWalk(std::string_view pattern, std::string& out, std::string& format) {
  out.clear();
  Level level(*this);
  if (!level.ok()) return false;
  Walk(pattern, out, format);
  return true;
}

PatternEngine::Frame& PatternEngine::CurrentFrame() {
  std::size_t index = static_cast<std::size_t>(level_);
  while (frames_.size() <= index) frames_.push_back(std::make_unique<Frame>());
  return *frames_[index];
}

std::string& PatternEngine::Scratch(int which) { return CurrentFrame().scratch[which]; }

VLibrary& PatternEngine::PhraseLibrary() {
  if (!phrases_.filled) {
    VLibrary* shared = SharedLibrary();
    if (shared) return *shared;
  }
  if (!phraseLibrary_) phraseLibrary_ = std::make_unique<VLibrary>();
  return *phraseLibrary_;
}

const SafeFormat& PatternEngine::CachedFormat(std::string_view format, SafeFormat::Kind kind) {
  for (const SafeFormat& f : formats_) {
    if (f.kind() == kind && f.source() == format) return f;
  }
  SafeFormat& slot = formats_[nextFormat_];
  nextFormat_ = (nextFormat_ + 1) % formats_.size();
  slot.Prepare(format, kind);
  return slot;
}

const SafeFormat* PatternEngine::CheckedFormat(std::string_view function, std::string_view format,
                                               SafeFormat::Kind kind) {
  const SafeFormat& prepared = CachedFormat(format, kind);
  if (prepared.ok()) return &prepared;
  SetError(kErrFormatRefused, std::string(function) + ": " + prepared.Error() + ".");
  return nullptr;
}

bool PatternEngine::LimitReached() { return t_bounds.limitCode != 0; }

bool PatternEngine::Charge(std::size_t count) {
  if (t_bounds.limitCode != 0) return false;
  t_bounds.used += count;
  if (t_bounds.used <= kMaxValueLength) return true;
  LimitError(kErrValueTooLong, "Pattern: the value needs more than " +
                                   std::to_string(kMaxValueLength) + " characters.");
  return false;
}

void PatternEngine::LimitError(int code, std::string message) {
  if (t_bounds.limitCode == 0) {
    t_bounds.limitCode = code;
    t_bounds.limitMessage = message;
  }
  SetError(code, std::move(message));
}

void PatternEngine::SetError(int code, std::string message) {
  // An item's failure is the failure of the value it is part of.
  if (parent_) parent_->SetError(code, message);
  errorCode_ = code;
  errorMessage_ = std::move(message);
}

VLibrary* PatternEngine::SharedLibrary() {
  if (g_sharedLibrary && g_sharedLibrary->IsOpen()) return g_sharedLibrary.get();
  if (g_libraryLocation.empty() || g_libraryLocation == g_failedLocation) return nullptr;
  static CLog quietLog;
  if (!g_sharedLibrary) g_sharedLibrary = std::make_unique<VLibrary>();
  if (g_sharedLibrary->Open(g_libraryLocation, log_ ? *log_ : quietLog) != 0) {
    g_failedLocation = g_libraryLocation;
    return nullptr;
  }
  g_failedLocation.clear();
  return g_sharedLibrary.get();
}

void PatternEngine::ReleaseSharedLibrary() { g_sharedLibrary.reset(); }

std::unique_ptr<PatternEngine> PatternEngine::NewItemEngine() {
  auto engine = std::make_unique<PatternEngine>();
  engine->namedGens_ = namedGens_;
  engine->log_ = log_;
  engine->borrowedConnection_ = Connection();
  engine->parent_ = this;
  engine->budget_ = budget_;
  ++budget_->nodes;
  WithinBudget();
  engine->Init(g_libraryLocation, 0, lookup_);
  return engine;
}

std::string PatternEngine::Variable(std::string_view reference) {
  if (!lookup_) return std::string(reference);
  return lookup_(reference);
}

void PatternEngine::Walk(std::string_view p, std::string& out, std::string& format) {
  std::size_t groupStart = 0;
  bool escape = false;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (t_bounds.limitCode != 0) return;
    char c = p[i];
    if (escape) {
      escape = false;
      if (Charge(1)) out += c;
      continue;
    }
    switch (c) {
      case '\\':
        escape = true;
        break;
      case 'A':
      case 'a':
      case 'N':
      case 'X':
        i = Repeater(p, i, out);
        break;
      case '[':
        i = OptionalPart(p, i, out, format);
        break;
      case '<':
        i = Alternatives(p, i, out, format);
        break;
      case '@':
        i = ColumnReference(p, i, out, format);
        break;
      case '$':
        i = FunctionCall(p, i, out, format);
        if (i == std::string_view::npos) return;
        break;
      case '(':
        groupStart = out.size();
        break;
      case ')':
        captured_.assign(out, std::min(groupStart, out.size()));
        break;
      case '#':
        if (Charge(captured_.size())) out += captured_;
        break;
      default:
        if (Charge(1)) out += c;
        break;
    }
  }
}

std::size_t PatternEngine::Repeater(std::string_view p, std::size_t pos, std::string& out) {
  const char cls = p[pos];
  const std::size_t n = p.size();
  int64_t count = 1;
  std::size_t last = pos;
  if (pos + 1 < n && p[pos + 1] == '{' && n - (pos + 1) >= 2) {
    std::size_t j = pos + 2;
    bool exact = false;
    if (p[j] == '=') {
      exact = true;
      ++j;
    }
    int64_t first = ReadNumber(p, j);
    int64_t upper = 0;  // largest count the form allows, checked before drawing
    enum { kBad, kUpTo, kExact, kRange } form = kBad;
    int64_t second = 0;
    if (j < n && p[j] == '}') {
      form = exact ? kExact : kUpTo;
      upper = first;
      last = j;
    } else if (j < n && (p[j] == ':' || p[j] == ';')) {
      ++j;
      second = ReadNumber(p, j);
      last = std::min(j, n - 1);
      if (j < n && p[j] == '}') {
        form = kRange;
        upper = std::max(first, second);
      }
    } else {
      SetError(kErrRepeater, "Incorrect repeater value.");
      last = std::min(j, n - 1);
    }
    if (upper > kMaxElementLength) {
      SetError(kErrRepeaterTooLong, "Repeater: count " + std::to_string(upper) +
                                        " is above the limit of " +
                                        std::to_string(kMaxElementLength) + " characters.");
      return last;
    }
    switch (form) {
      case kUpTo: count = first == 0 ? 0 : 1 + DrawBelow(first); break;
      case kExact: count = first; break;
      case kRange: count = second > first ? first + DrawBelow(second - first + 1) : first; break;
      case kBad: break;
    }
  }
  if (count <= 0 || !Charge(static_cast<std::size_t>(count))) return last;
  std::array<char, 2048> chunk;
  while (count > 0) {
    std::size_t m = static_cast<std::size_t>(std::min<int64_t>(count, chunk.size()));
    for (std::size_t k = 0; k < m; ++k) chunk[k] = ClassChar(cls);
    out.append(chunk.data(), m);
    count -= static_cast<int64_t>(m);
  }
  return last;
}

std::size_t PatternEngine::OptionalPart(std::string_view p, std::size_t pos, std::string& out,
                                        std::string& format) {
  std::size_t end = pos + 1;
  while (end < p.size() && !(p[end] == ']' && p[end - 1] != '\\')) ++end;
  std::string_view inner = p.substr(pos + 1, end - pos - 1);
  std::string& part = Scratch(0);
  // The inner text always runs, so that its functions keep their positions.
  if (NestedWalk(inner, part, format) && Random32Below(2) != 0 && Charge(part.size())) out += part;
  return std::min(end, p.size() - 1);
}

std::size_t PatternEngine::Alternatives(std::string_view p, std::size_t pos, std::string& out,
                                        std::string& format) {
  int64_t count = 0;
  std::size_t end = pos + 1;
  for (; end < p.size(); ++end) {
    if (p[end] == '|') ++count;
    if (p[end] == '>') {
      ++count;
      break;
    }
  }
  std::size_t last = std::min(end, p.size() - 1);
  if (count == 0) {
    SetError(kErrEmptyList, "List: <...> list is empty.");
    return last;
  }
  int64_t chosen = DrawBelow(count);
  std::size_t start = pos + 1;
  for (std::size_t k = start; k < end; ++k) {
    if (p[k] != '|') continue;
    if (chosen-- == 0) {
      end = k;
      break;
    }
    start = k + 1;
  }
  std::string& item = Scratch(0);
  if (NestedWalk(p.substr(start, end - start), item, format) && Charge(item.size())) out += item;
  return last;
}

std::size_t PatternEngine::ColumnReference(std::string_view p, std::size_t pos, std::string& out,
                                           std::string& format) {
  const std::size_t n = p.size();
  bool previous = false;
  if (pos + 1 < n && p[pos + 1] == '@') {
    previous = true;
    ++pos;
  }
  // Read the reference first, so that without columns it is still consumed.
  enum { kMissing, kName, kIndex, kUnquoted, kBadQuote } kind;
  std::size_t last = pos;
  std::string_view name;
  int64_t index = 0;
  if (pos + 1 >= n) {
    kind = kMissing;
  } else if (p[pos + 1] == '\'') {
    std::size_t k = pos + 2;
    while (k < n && p[k] != '\'' && p[k] != '"' && p[k] != '(' && p[k] != ')') ++k;
    if (k < n && p[k] == '\'') {
      kind = kName;
      name = p.substr(pos + 2, k - pos - 2);
    } else {
      kind = kBadQuote;
    }
    last = std::min(k, n - 1);
  } else if (p[pos + 1] >= '0' && p[pos + 1] <= '9') {
    std::size_t k = pos + 1;
    index = ReadNumber(p, k);
    kind = kIndex;
    last = k - 1;
  } else {
    kind = kUnquoted;
  }
  if (columns_.empty()) {
    SetError(kErrNoColumns, "Column: definitions are not present.");
    return last;
  }
  const Column* column = nullptr;
  switch (kind) {
    case kMissing:
      SetError(kErrNoColumnName, "Column: column reference without column name.");
      break;
    case kBadQuote:
      SetError(kErrColumnQuotation, "Column: column name quotation error.");
      break;
    case kUnquoted:
      SetError(kErrColumnNotQuoted, "Column: column name without quotation.");
      break;
    case kIndex:
      if (index < 1 || index > static_cast<int64_t>(columns_.size())) {
        SetError(kErrColumnIndex, "Column: invalid column index.");
      } else {
        column = &columns_[static_cast<std::size_t>(index - 1)];
      }
      break;
    case kName:
      for (const Column& c : columns_) {
        if (c.name == name) {
          column = &c;
          break;
        }
      }
      if (!column) {
        SetError(kErrColumnNotFound,
                 "Column: specified column '" + std::string(name) + "' not found.");
      }
      break;
  }
  if (column) {
    const std::string& v = previous ? column->previous : column->value;
    if (Charge(v.size())) out += v;
    format = column->format;
  }
  return last;
}

std::size_t PatternEngine::FunctionCall(std::string_view p, std::size_t pos, std::string& out,
                                        std::string& format) {
  const std::size_t n = p.size();
  std::size_t open = p.find('(', pos + 1);
  if (open == std::string_view::npos || open == n - 1) {
    SetError(kErrParamsMissed, "Function: parameter(s) missed.");
    return std::string_view::npos;
  }
  std::string_view name = p.substr(pos + 1, open - pos - 1);
  Frame& frame = CurrentFrame();
  frame.params.clear();
  int64_t depth = 1;
  std::size_t start = open + 1;
  std::size_t k = open + 1;
  for (; k < n; ++k) {
    char c = p[k];
    if (c == '\\') {
      // An escaped bracket or comma is text of the parameter.
      ++k;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) break;
    } else if (c == ',' && depth == 1) {
      std::string_view param = TrimParameter(p.substr(start, k - start));
      if (param.size() > 2 && param.front() == '(' && param.back() == ')') {
        param = param.substr(1, param.size() - 2);
      }
      frame.params.push_back(param);
      start = k + 1;
    }
  }
  if (k >= n) {
    SetError(kErrBrackets, "Function: brackets coordination error.");
    return std::string_view::npos;
  }
  std::string_view lastParam = TrimParameter(p.substr(start, k - start));
  if (!lastParam.empty()) frame.params.push_back(lastParam);
  std::string_view raw = p.substr(open + 1, k - open - 1);

  std::size_t before = out.size();
  if (name == "$") {
    std::string& result = frame.scratch[1];
    result.clear();
    if (frame.evaluator.Evaluate(result, raw, this) != 0) {
      SetError(frame.evaluator.ErrorCode(), frame.evaluator.ErrorMessage());
    }
    out += result;
  } else {
    const FunctionTable::Entry* entry = FunctionTable::Instance().Find(name);
    if (!entry) {
      SetError(kErrUnknownFunction,
               "Function: could not recognize '" + std::string(name) + "' as correct function name.");
      return k;
    }
    if (entry->raw) {
      frame.params.clear();
      frame.params.push_back(raw);
    }
    FuncParams params(frame.params);
    if (entry->direct) {
      entry->direct(*this, params, out, format);
    } else {
      // A compile pass builds a node where none exists yet: a pattern
      // evaluated again replays the nodes it built on its first try.
      if (compile_ && cursor_ == nodes_.size()) {
        std::unique_ptr<FuncData> node = BuildNode(entry->node, params);
        nodes_.push_back(std::move(node));
      }
      GensValue(out);
    }
  }
  if (!Charge(out.size() - before)) out.resize(before);
  return k;
}
