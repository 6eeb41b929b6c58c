#include "plenkor/window/RunController.h"

#include <chrono>

#include "plenkor/window/GuiPrompt.h"
#include "plenkor/window/GuiThread.h"
#include "plenkor/window/OverwriteDialog.h"

namespace {

constexpr int64_t kReportIntervalMs = 50;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

RunController::RunController(FlatRunEnvironment environment, QWidget* dialogParent)
    : environment_(std::move(environment)), dialogParent_(dialogParent) {
  environment_.cancel = &cancel_;
  environment_.askOverwrite = [this](const std::string& file) {
    return OnGuiThread([&] { return OverwriteDialog(FromCore(file), dialogParent_.data()).Choose(); });
  };
  environment_.progress.started = [this](int rows) {
    KeepCancelled();
    emit Started(rows);
  };
  environment_.progress.row = [this](int row) { ReportRow(row); };
}

RunController::~RunController() {
  Cancel();
  if (worker_.joinable()) worker_.join();
}

bool RunController::Start(const Project& definition) {
  if (Running()) return false;
  lastReport_.store(0);
  cancelRequested_.store(false);
  worker_ = std::thread([this, definition] {
    const FlatRunResult result = RunDefinition(definition, environment_);
    QMetaObject::invokeMethod(
        this,
        [this, result] {
          worker_.join();
          emit Finished(result.status, result.rows, FromCore(result.statusText));
        },
        Qt::QueuedConnection);
  });
  return true;
}

void RunController::Cancel() {
  cancelRequested_.store(true);
  cancel_.store(1);
}

void RunController::KeepCancelled() {
  if (cancelRequested_.load()) cancel_.store(1);
}

void RunController::ReportRow(int row) {
  KeepCancelled();
  const int64_t now = NowMs();
  if (now - lastReport_.load(std::memory_order_relaxed) < kReportIntervalMs) return;
  lastReport_.store(now, std::memory_order_relaxed);
  emit Progressed(row);
}
