// Runs a flat-file definition on a worker thread while the window goes on:
// the checks, the overwrite question and the engine's messages reach the
// user through dialogs on the interface thread, and progress arrives as
// queued signals, at most a few times a second however fast rows are made.
//
// REQUIRES: the settings, log, prompt and library outlive the controller; the
// window does not touch the settings while a run is going on.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <string>
#include <thread>

#include "plenkor/FlatFileRun.h"

class RunController final : public QObject {
  Q_OBJECT

 public:
  RunController(FlatRunEnvironment environment, QWidget* dialogParent);
  // Cancels a run still going on and waits for it.
  ~RunController() override;

  bool Running() const { return worker_.joinable(); }
  // Starts a run of a copy of `definition`; false when one is already running.
  bool Start(const Project& definition);
  // Sets the engine's cancel flag; the row loop stops before its next row.
  void Cancel();

 signals:
  void Started(int rows);
  void Progressed(int row);
  // Also after a run that a check stopped (status kFlatRunNotRun).
  void Finished(int status, qulonglong rows, QString statusText);

 private:
  void ReportRow(int row);
  // The run clears the engine's flag as it starts; a cancel that came
  // earlier is set again once the engine reports.
  void KeepCancelled();

  FlatRunEnvironment environment_;
  QPointer<QWidget> dialogParent_;
  std::atomic<int> cancel_{0};
  std::atomic<bool> cancelRequested_{false};
  std::atomic<int64_t> lastReport_{0};
  std::thread worker_;
};
