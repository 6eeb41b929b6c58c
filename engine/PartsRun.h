// Runs the parts of a run side by side in one process: part k of J on worker
// thread k, each with a connection and a value library of its own (the
// first part on the run's own), meeting at every rule (ShardBarrier). What the
// parts did comes back as one summary, each rule's line summed over them, and
// those lines go to the console as one run prints them.
#pragma once

#include "engine/Generator.h"

// `options` is the run's, with its connection; `jobs` >= 1. Returns the
// summary of all parts; a connection a part could not make stops the run
// before any part starts (summary.stopped, the reason in the log and on the
// console).
RunSummary RunPartsSideBySide(const RunOptions& options, int jobs);
