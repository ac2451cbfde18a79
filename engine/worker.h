// The conversion worker: walks the batch's inputs in order, converts each file and
// publishes its progress in the batch status. It prints nothing itself: each file's
// console lines and diagnostics go to the sink its starter passes, as one report per file
// in input order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/context.h"
#include "formats/batch_status.h"

namespace rastrel {

struct FileReport {
  std::size_t position = 0;  // 1-based number of the file in the batch
  std::string inputPath;
  // Lines for standard output: empty unless the batch runs in debug mode.
  std::vector<std::string> consoleLines;
  // result.diagnostics are for standard error, in debug mode only.
  FileResult result;
};

using FileReportSink = std::function<void(const FileReport&)>;

inline constexpr const char* kProcessingLine = "Processing: ";
inline constexpr const char* kFileFormatLine = "File Format: ";
inline constexpr const char* kConvertErrorLine = "[ERROR] Unable to convert the file!";
inline constexpr const char* kSavedAsLine = "[OK] Saving As: ";

// Converts every entry of batch.inputs. Reads keep going once before each file; writes
// progress count, path and last duration at the start of each file and the result count
// at the end. `counters` are renewed after every converted file and live on after the
// batch. Returns 0.
int ConvertWorker(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
                  const FileReportSink& sink);

}  // namespace rastrel
