#include "engine/worker.h"

#include <algorithm>
#include <optional>

#include "engine/convert.h"
#include "engine/counters.h"
#include "engine/input_guard.h"
#include "formats/signature.h"
#include "platform/clock.h"

namespace rastrel {

int ConvertWorker(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
                  const FileReportSink& sink) {
  // The inputs are looked up by identity once, not at every save.
  BatchContext local = batch;
  std::optional<InputGuard> guard;
  if (local.inputGuard == nullptr && local.inputs != nullptr) {
    guard.emplace(*local.inputs);
    local.inputGuard = &*guard;
  }

  int count = 0;
  int converted = 0;
  std::int64_t last = 0;
  if (local.inputs != nullptr) {
    for (const InputEntry& entry : *local.inputs) {
      if (!status.KeepGoing()) break;
      ++count;
      status.Modify([&](BatchProgress& progress) {
        progress.progressCount = count;
        progress.progressPath = entry.path;
        progress.lastDuration = last;
      });

      FileReport report;
      report.position = static_cast<std::size_t>(count);
      report.inputPath = entry.path;
      if (local.debug) {
        report.consoleLines.push_back(kProcessingLine + entry.path);
        report.consoleLines.push_back(kFileFormatLine + IdentifySignature(entry.path));
      }

      const std::int64_t started = MonotonicMilliseconds();
      report.result = ConvertInputFile(local, entry, counters);
      if (report.result.converted) {
        if (local.debug) report.consoleLines.push_back(kSavedAsLine + report.result.outputPath);
        ++converted;
        last = std::max<std::int64_t>(MonotonicMilliseconds() - started, 1000);
        AdvanceFileCounters(counters);
      } else {
        if (local.debug) report.consoleLines.push_back(kConvertErrorLine);
        last = 0;
      }
      if (sink) sink(report);
    }
  }
  status.Modify([&](BatchProgress& progress) { progress.resultCount = converted; });
  return 0;
}

}  // namespace rastrel
