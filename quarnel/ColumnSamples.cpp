#include "quarnel/ColumnSamples.h"

#include <algorithm>

#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "engine/RunOptions.h"
#include "support/Prompt.h"

namespace {

// Keeps the first message and answers every question with its safe answer.
class CollectingPrompt final : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override { Keep(caption, text); }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons buttons,
                   PromptAnswer) override {
    Keep(caption, text);
    return buttons == PromptButtons::kOk ? PromptAnswer::kOk
                                         : (buttons == PromptButtons::kYesNo ? PromptAnswer::kNo : PromptAnswer::kCancel);
  }
  std::string first;

 private:
  void Keep(std::string_view caption, std::string_view text) {
    if (first.empty()) first = std::string(caption) + ": " + std::string(text);
  }
};

// Linked tables and queries are read up to this many rows for a preview.
constexpr int kSampleSourceRows = 10000;

}  // namespace

ColumnSampleResult SampleColumn(const Rule& rule, size_t column, const RunOptions& base, int rows) {
  ColumnSampleResult result;
  if (column >= rule.Fields.size()) {
    result.error = "No such column";
    return result;
  }
  Rule sampled = rule;
  if (sampled.InsMode == kInsScramble || sampled.InsMode == kInsUpdate) sampled.InsMode = kInsAppend;

  CollectingPrompt prompt;
  RunOptions options = base;
  options.prompt = &prompt;
  options.console = nullptr;
  options.cancel = nullptr;
  options.UseBULK = 0;
  options.performanceMode = 1;
  if (options.FromLinked <= 0 || options.FromLinked > kSampleSourceRows) options.FromLinked = kSampleSourceRows;

  // Samples call the named generators a run would call.
  const std::vector<NamedGenerator> named =
      options.project ? NamedGeneratorPatterns(*options.project, PatternSettingsOf(options), options.connection)
                      : std::vector<NamedGenerator>{};
  RowGenerator generator(options, nullptr);
  generator.Patterns().SetNamedGenList(&named);
  if (generator.GenerateValues(sampled) != kRowOk) {
    result.error = prompt.first.empty() ? "The rule cannot be prepared" : prompt.first;
    return result;
  }
  std::string values;
  std::string line;
  for (int row = 1; row <= rows; ++row) {
    if (generator.GenOneRowValues(values, row, line, "\t") != kRowOk) {
      if (prompt.first.empty()) prompt.first = "No value could be made for row " + std::to_string(row);
      break;
    }
    const RowField& field = generator.Field(column);
    // The NULL share replaces the value in the statement only: `final` tells.
    result.values.push_back(field.isNull || field.final == "NULL" ? "NULL" : field.raw);
  }
  result.error = prompt.first;
  return result;
}
