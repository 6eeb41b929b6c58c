#include "GenTmpl/PatternEngine.h"

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

// The library the engines of a thread share: the library keeps which lists
// it used last, so threads never share one.
thread_local std::string g_libraryLocation;
thread_local std::unique_ptr<VLibrary> g_sharedLibrary;
// The last location that could not be opened: it was reported once, and
// trying it again for every value would report it for every value.
thread_local std::string g_failedLocation;

// Work charged for building one node, in characters of value.
constexpr std::size_t kNodeBuildWork = 16;

// A draw below `bound` that never reaches it, for bounds of any size.
int64_t DrawBelow(int64_t bound) {
  if (bound <= 0) return 0;
  return Random64Below(bound) % bound;
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
  // Compiled before the value is cleared: the pattern may live in it.
  const std::shared_ptr<const CompiledPattern> compiled = Compiled(pattern);
  return Generate(value, column, *compiled, format);
}

int PatternEngine::Generate(std::string& value, int column, const CompiledPattern& pattern,
                            std::string* format) {
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
    if (level.ok()) Run(pattern.root(), value, fmt);
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
  NestedEvaluate(pattern, value, format);
}

void PatternEngine::EvaluatePattern(std::string_view pattern, std::string& value,
                                    std::string& format) {
  format.clear();
  NestedEvaluate(pattern, value, format);
}

void PatternEngine::EvaluateInScope(std::string_view pattern, std::string& value,
                                    std::string& format, NodeScope& scope) {
  std::swap(nodes_, scope.nodes);
  std::size_t savedBase = base_, savedCursor = cursor_;
  bool savedCompile = compile_;
  base_ = cursor_ = 0;
  compile_ = !scope.compiled;
  format.clear();
  NestedEvaluate(pattern, value, format);
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

bool PatternEngine::NestedRun(const CompiledPattern::Part& part, std::string& out, std::string& format) {
  out.clear();
  Level level(*this);
  if (!level.ok()) return false;
  Run(part, out, format);
  return true;
}

void PatternEngine::NestedEvaluate(std::string_view pattern, std::string& out, std::string& format) {
  const std::shared_ptr<const CompiledPattern> compiled = Compiled(pattern);
  NestedRun(compiled->root(), out, format);
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

std::shared_ptr<const CompiledPattern> PatternEngine::Compiled(std::string_view pattern) {
  auto found = compiled_.find(pattern);
  if (found != compiled_.end()) return found->second;
  auto compiled = std::make_shared<const CompiledPattern>(pattern);
  // Patterns made while generating (by $Pattern, say) may all differ: the
  // cache starts again rather than grow. Runs hold their own reference.
  if (compiled_.size() >= kMaxCompiledPatterns || compiledBytes_ > kMaxCompiledBytes) {
    compiled_.clear();
    compiledBytes_ = 0;
  }
  compiledBytes_ += compiled->Bytes();
  compiled_.emplace(compiled->text(), compiled);
  return compiled;
}

void PatternEngine::Run(const CompiledPattern::Part& part, std::string& out, std::string& format) {
  using Step = CompiledPattern::Step;
  std::size_t groupStart = 0;
  for (const Step& step : part.steps) {
    if (t_bounds.limitCode != 0) return;
    switch (step.kind) {
      case Step::kText:
        AppendCharged(out, step.text);
        break;
      case Step::kClass:
        Repeater(step, out);
        break;
      case Step::kGroupOpen:
        groupStart = out.size();
        break;
      case Step::kGroupClose:
        captured_.assign(out, std::min(groupStart, out.size()));
        break;
      case Step::kCaptured:
        if (Charge(captured_.size())) out += captured_;
        break;
      case Step::kOptional: {
        std::string& inner = Scratch(0);
        // The inner part always runs, so that its functions keep their positions.
        if (NestedRun(step.parts[0], inner, format) && Random32Below(2) != 0 && Charge(inner.size())) {
          out += inner;
        }
        break;
      }
      case Step::kAlternatives: {
        const auto chosen = static_cast<std::size_t>(DrawBelow(static_cast<int64_t>(step.parts.size())));
        std::string& item = Scratch(0);
        if (NestedRun(step.parts[chosen], item, format) && Charge(item.size())) out += item;
        break;
      }
      case Step::kColumn:
        ColumnReference(step, out, format);
        break;
      case Step::kExpression:
      case Step::kFunction:
        FunctionCall(step, out, format);
        break;
      case Step::kError:
        SetError(step.code, step.message);
        break;
    }
  }
}

void PatternEngine::AppendCharged(std::string& out, std::string_view text) {
  // As if charged a character at a time: what fits within the bound is kept.
  if (t_bounds.limitCode != 0) return;
  const std::size_t room = t_bounds.used < kMaxValueLength ? kMaxValueLength - t_bounds.used : 0;
  if (text.size() <= room) {
    t_bounds.used += text.size();
    out += text;
    return;
  }
  out += text.substr(0, room);
  t_bounds.used = kMaxValueLength;
  Charge(1);
}

void PatternEngine::Repeater(const CompiledPattern::Step& step, std::string& out) {
  using Step = CompiledPattern::Step;
  int64_t count = 1;
  switch (step.count) {
    case Step::kOne: break;
    case Step::kUpTo: count = step.first == 0 ? 0 : 1 + DrawBelow(step.first); break;
    case Step::kExact: count = step.first; break;
    case Step::kRange:
      count = step.second > step.first ? step.first + DrawBelow(step.second - step.first + 1) : step.first;
      break;
  }
  if (count <= 0 || !Charge(static_cast<std::size_t>(count))) return;
  const std::size_t from = out.size();
  out.resize(from + static_cast<std::size_t>(count));
  char* chars = out.data() + from;
  for (int64_t k = 0; k < count; ++k) chars[k] = ClassChar(step.cls);
}

void PatternEngine::ColumnReference(const CompiledPattern::Step& step, std::string& out, std::string& format) {
  using Step = CompiledPattern::Step;
  if (columns_.empty()) {
    SetError(kErrNoColumns, "Column: definitions are not present.");
    return;
  }
  const Column* column = nullptr;
  switch (step.reference) {
    case Step::kMissing:
      SetError(kErrNoColumnName, "Column: column reference without column name.");
      break;
    case Step::kBadQuote:
      SetError(kErrColumnQuotation, "Column: column name quotation error.");
      break;
    case Step::kUnquoted:
      SetError(kErrColumnNotQuoted, "Column: column name without quotation.");
      break;
    case Step::kIndex:
      if (step.first < 1 || step.first > static_cast<int64_t>(columns_.size())) {
        SetError(kErrColumnIndex, "Column: invalid column index.");
      } else {
        column = &columns_[static_cast<std::size_t>(step.first - 1)];
      }
      break;
    case Step::kName:
      for (const Column& c : columns_) {
        if (c.name == step.text) {
          column = &c;
          break;
        }
      }
      if (!column) {
        SetError(kErrColumnNotFound, "Column: specified column '" + std::string(step.text) + "' not found.");
      }
      break;
  }
  if (column) {
    const std::string& v = step.previous ? column->previous : column->value;
    if (Charge(v.size())) out += v;
    format = column->format;
  }
}

void PatternEngine::FunctionCall(const CompiledPattern::Step& step, std::string& out, std::string& format) {
  const std::size_t before = out.size();
  if (step.kind == CompiledPattern::Step::kExpression) {
    Frame& frame = CurrentFrame();
    std::string& result = frame.scratch[1];
    result.clear();
    if (frame.evaluator.Evaluate(result, step.text, this) != 0) {
      SetError(frame.evaluator.ErrorCode(), frame.evaluator.ErrorMessage());
    }
    out += result;
  } else if (step.entry->direct) {
    step.entry->direct(*this, FuncParams(step.params), out, format);
  } else {
    // A compile pass builds a node where none exists yet: a pattern
    // evaluated again replays the nodes it built on its first try.
    if (compile_ && cursor_ == nodes_.size()) {
      std::unique_ptr<FuncData> node = BuildNode(step.entry->node, FuncParams(step.params));
      nodes_.push_back(std::move(node));
    }
    GensValue(out);
  }
  if (!Charge(out.size() - before)) out.resize(before);
}
