// The messages between the coordinator and a worker process. The coordinator sends one
// setup, then jobs, one at a time; the worker answers the setup with Ready and each job
// with folder notices (before it writes into a folder) and one result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "formats/conversion_target.h"
#include "formats/input_map.h"
#include "settings/settings.h"

namespace rastrel {

enum class MessageKind : std::uint8_t {
  Setup = 1,   // coordinator → worker, once
  Job = 2,     // coordinator → worker
  Ready = 3,   // worker → coordinator, once the setup is loaded
  Folder = 4,  // worker → coordinator, before the first temporary file of a job in a folder
  Result = 5,  // worker → coordinator, one per job
};

// Everything a worker reads for the whole batch.
struct WorkerSetup {
  Settings settings;
  ConversionTarget target;
  std::string outputFolder;
  bool debug = false;
  std::vector<std::string> inputPaths;  // no save may replace one of them
  std::uint64_t memoryLimitBytes = 0;   // 0: no limit
};

struct WorkerJob {
  std::uint64_t position = 0;  // 1-based, in input order
  InputEntry entry;
  FileCounters counters;
  bool libtiffOnly = false;
  std::string tag;  // names the job's temporary files
};

struct WorkerFolderNotice {
  std::uint64_t position = 0;
  std::string folder;
};

struct WorkerResult {
  std::uint64_t position = 0;
  FileResult result;
};

// Each encoder gives a whole frame; each decoder takes a frame's payload and fails on
// anything but one whole message.
std::string EncodeSetup(const WorkerSetup& setup);
std::optional<WorkerSetup> DecodeSetup(std::string_view payload);
std::string EncodeJob(const WorkerJob& job);
std::optional<WorkerJob> DecodeJob(std::string_view payload);
std::string EncodeReady();
std::string EncodeFolderNotice(const WorkerFolderNotice& notice);
std::optional<WorkerFolderNotice> DecodeFolderNotice(std::string_view payload);
std::string EncodeResult(const WorkerResult& result);
std::optional<WorkerResult> DecodeResult(std::string_view payload);

}  // namespace rastrel
