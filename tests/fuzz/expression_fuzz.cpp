// libFuzzer target: the expression evaluator of "$$" and the conditional
// function. Fields (FuzzInput): the expression, then pairs of value and value
// format that its "$..." and "@'...'" operands evaluate to in turn (dates and
// times in any format, numbers, text), as the pattern engine would give them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/fuzz/FuzzInput.h"
#include "values/ExpressionEvaluator.h"
#include "values/PatternHost.h"

namespace {

class ScriptedHost : public PatternHost {
 public:
  explicit ScriptedHost(std::vector<std::pair<std::string_view, std::string_view>> answers)
      : answers_(std::move(answers)) {}

  void EvaluatePattern(std::string_view, std::string& value, std::string& format) override {
    if (answers_.empty()) {
      value.clear();
      format.clear();
      return;
    }
    const auto& [v, f] = answers_[next_++ % answers_.size()];
    value.assign(v);
    format.assign(f);
  }
  std::string Variable(std::string_view reference) override { return std::string(reference); }

 private:
  std::vector<std::pair<std::string_view, std::string_view>> answers_;
  std::size_t next_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view expression = input.Text();
  std::vector<std::pair<std::string_view, std::string_view>> answers;
  while (!input.Done()) {
    const std::string_view value = input.Text();
    answers.emplace_back(value, input.Text());
  }
  ScriptedHost host(std::move(answers));
  ScriptedHost replay(host);
  ExpressionEvaluator evaluator;
  std::string out;
  const int status = evaluator.Evaluate(out, expression, &host);
  FuzzAssert(status == 0 || status == 80 || status == 81 || status == ExpressionEvaluator::kOverflow, "a known error code",
             expression);
  FuzzAssert(status == evaluator.ErrorCode() && (status == 0) == evaluator.ErrorMessage().empty(),
             "the error is kept with its message", expression);
  // The evaluator is reused by its engine: a second run gives the same result.
  std::string again;
  FuzzAssert(evaluator.Evaluate(again, expression, &replay) == status && again == out,
             "evaluation is repeatable", expression);
  return 0;
}
