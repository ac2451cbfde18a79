#include "engine/worker_process.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/convert.h"
#include "engine/fault_injection.h"
#include "engine/input_guard.h"
#include "engine/overlay_stages.h"
#include "engine/wire_format.h"
#include "engine/worker_protocol.h"
#include "platform/pipe.h"
#include "platform/process_control.h"

namespace rastrel {
namespace {

enum WorkerExit { kDone = 0, kNoParent = 1, kBadSetup = 2, kBadJob = 3 };

// More than the decoded size of an A4 colour page at 600 dpi.
constexpr std::uint64_t kReusedMemoryBytes = std::uint64_t{256} << 20;

void Send(const std::string& frame) {
  // The coordinator has gone: nobody wants the result, and nothing may be left half done.
  if (!WriteAllBytes(kWorkerResultDescriptor, frame)) std::_Exit(kDone);
}

// Everything the worker keeps for the whole batch.
struct WorkerBatch {
  WorkerSetup setup;
  InputMap inputs;
  std::optional<InputGuard> guard;
  std::unique_ptr<OverlayStages> overlay;
  std::string overlayError;
};

FileResult ConvertJob(const WorkerBatch& worker, const WorkerJob& job) {
  BatchContext batch{worker.setup.settings, worker.setup.target,  worker.setup.outputFolder,
                     worker.setup.debug,    worker.overlay.get(), &worker.inputs,
                     &*worker.guard};
  batch.libtiffOnly = job.libtiffOnly;

  std::set<std::string> announced;
  std::vector<StagedFile> staged;
  OutputStaging staging;
  staging.tag = job.tag;
  staging.beforeWriting = [&](const std::string& folder) {
    if (announced.insert(folder).second) Send(EncodeFolderNotice({job.position, folder}));
  };
  staging.staged = [&](const std::string& temporaryPath, const std::string& path) {
    staged.push_back({temporaryPath, path});
  };
  batch.staging = &staging;

  if (!worker.overlay) {
    FileResult failed;
    failed.diagnostics.push_back(worker.overlayError);
    return failed;
  }
  const InjectedFault fault = FaultForInput(job.entry.path);
  if (std::optional<std::string> failure = ActOutFault(fault, job.entry.path)) {
    FileResult failed;
    failed.diagnostics.push_back(std::move(*failure));
    return failed;
  }
  FileResult result = ConvertInputFile(batch, job.entry, job.counters);
  if (fault == InjectedFault::AbortAfterWriting) std::abort();
  result.staged = std::move(staged);
  return result;
}

}  // namespace

bool IsWorkerInvocation(int argc, const char* const* argv) {
  return argc >= 2 && argv[1] != nullptr && std::string_view(argv[1]) == kWorkerModeArgument;
}

int RunWorkerProcess(int argc, const char* const* argv) {
  IgnoreBrokenPipeSignal();
  IgnoreTerminalInterrupts();
  // Descriptors this process hands on would keep the coordinator from seeing it end.
  SetCloseOnExec(kWorkerJobDescriptor);
  SetCloseOnExec(kWorkerResultDescriptor);
  if (argc >= 3) {
    const long parent = std::strtol(argv[2], nullptr, 10);
    if (!EndWithParent(parent)) return kNoParent;
  }

  const std::optional<Frame> frame = ReadFrame(kWorkerJobDescriptor);
  if (!frame || frame->kind != static_cast<std::uint8_t>(MessageKind::Setup)) return kBadSetup;
  std::optional<WorkerSetup> setup = DecodeSetup(frame->payload);
  if (!setup) return kBadSetup;

  WorkerBatch worker;
  worker.setup = std::move(*setup);
  if (worker.setup.memoryLimitBytes != 0) LimitAddressSpace(worker.setup.memoryLimitBytes);
  // A worker converts page after page: keeping a page's worth of freed memory saves the
  // system the work of handing out fresh zeroed memory for every page.
  KeepFreedMemoryForReuse(kReusedMemoryBytes);
  for (const std::string& path : worker.setup.inputPaths) worker.inputs.Add(path, "");
  worker.guard.emplace(worker.inputs);
  worker.overlay = OverlayStages::Load(worker.setup.settings, worker.overlayError);
  Send(EncodeReady());

  for (;;) {
    const std::optional<Frame> next = ReadFrame(kWorkerJobDescriptor);
    if (!next) return kDone;
    if (next->kind != static_cast<std::uint8_t>(MessageKind::Job)) return kBadJob;
    const std::optional<WorkerJob> job = DecodeJob(next->payload);
    if (!job) return kBadJob;
    WorkerResult result;
    result.position = job->position;
    result.result = ConvertJob(worker, *job);
    Send(EncodeResult(result));
  }
}

}  // namespace rastrel
