// The conversion worker with its files converted in separate worker processes. It walks the
// inputs in order and publishes the batch status as the in-process worker does, while the
// decoding and encoding run in processes that a bad file can crash, hang or fill without
// touching the batch: such a file costs exactly itself. Results are committed in input
// order (files moved into place, counters advanced, reports delivered), so the outputs,
// names and reports are those of a one-worker run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/worker.h"
#include "formats/batch_status.h"

namespace rastrel {

struct WorkerPoolOptions {
  // Worker processes; 0 takes settings.advanced.workerThreads, and 0 there one per processor.
  int workers = 0;
  // The program started in worker mode; empty for this program.
  std::string executable;
  // Per-file time limit: a base and an allowance per MiB of input; a worker that takes
  // longer is killed and the file fails.
  std::int64_t timeLimitMs = 120'000;
  std::int64_t timeLimitPerMiBMs = 1'000;
  // Address-space limit of each worker; 0 for the larger of 2 GiB and the installed memory
  // shared among the workers.
  std::uint64_t memoryLimitBytes = 0;
};

// The number of worker processes a batch runs with. Files whose names depend on the order
// of successful conversions ("%n%" or "%rnd%" in the mask, in a text watermark or in an
// input's own name, which the mask can bring in) are converted one at a time, so that each
// file is numbered exactly as a sequential run numbers it.
int ChooseWorkerCount(const BatchContext& batch, int requested);

// Whether the counters a file is converted with change its output.
bool CountersShapeOutput(const BatchContext& batch);

// Same contract as ConvertWorker. When no worker process can be started at all, the files
// are converted in this process instead, and the first report says so.
int ConvertWorkerInProcesses(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
                             const FileReportSink& sink, const WorkerPoolOptions& options = {});

}  // namespace rastrel
