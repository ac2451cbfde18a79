#include "engine/coordinator.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "engine/convert.h"
#include "engine/counters.h"
#include "engine/fault_injection.h"
#include "engine/input_guard.h"
#include "engine/naming.h"
#include "engine/text_case.h"
#include "engine/worker_channel.h"
#include "engine/worker_process.h"
#include "engine/worker_protocol.h"
#include "formats/signature.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "platform/pipe.h"
#include "platform/process_control.h"
#include "platform/temporary_files.h"

namespace rastrel {
namespace {

// How long one wait for worker messages lasts at most, so that a stop request and the time
// limits are looked at regularly.
constexpr int kWaitSliceMs = 100;
// Workers that fail to start this many times in a row mean worker mode itself is broken.
constexpr int kStartFailuresBeforeGivingUp = 3;
// How far the dispatch runs ahead of the oldest file not yet committed, per worker.
constexpr std::size_t kLookAheadPerWorker = 4;
constexpr std::uint64_t kMinimumMemoryLimit = std::uint64_t{2} << 30;

bool NamesCounter(std::string_view text) {
  return FindIgnoringAsciiCase(text, "%n%") != std::string_view::npos ||
         FindIgnoringAsciiCase(text, "%rnd%") != std::string_view::npos;
}

// Unique among every writer of temporary files: this process's id and the job's number.
std::string JobTag(std::uint64_t serial) {
  std::string tag = "c";
  tag.append(std::to_string(CurrentProcessId()));
  tag.push_back('j');
  tag.append(std::to_string(serial));
  return tag;
}

struct Outcome {
  FileResult result;
  std::int64_t durationMs = 0;
};

enum class EndCause { Died, TimeLimit, BrokenStream };

struct WorkerSlot {
  std::optional<WorkerChannel> channel;
  bool ready = false;
  std::optional<std::size_t> job;  // index into the inputs
  std::string tag;
  std::set<std::string> folders;  // where the job's temporary files may be
  std::int64_t startedMs = 0;
  std::int64_t limitMs = 0;
};

class Coordinator {
 public:
  Coordinator(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
              const FileReportSink& sink, const WorkerPoolOptions& options)
      : batch_(batch), status_(status), counters_(counters), sink_(sink), options_(options) {}

  int Run();

 private:
  const InputEntry& Entry(std::size_t index) const { return batch_.inputs->entries()[index]; }
  std::optional<std::size_t> NextFile();
  void Dispatch();
  bool StartWorker(WorkerSlot& slot);
  void WaitForMessages();
  void HandleFrame(WorkerSlot& slot, const Frame& frame);
  void CheckTimeLimits();
  void EndWorker(WorkerSlot& slot, EndCause cause);
  bool AnyWorkerAlive() const;
  bool NothingInHand() const;
  bool CommitReady();
  void Commit(std::size_t index, Outcome outcome);
  void Publish(std::size_t index);
  void ConvertRestHere();
  void Shutdown();

  const BatchContext& batch_;
  BatchStatus& status_;
  FileCounters& counters_;
  const FileReportSink& sink_;
  WorkerPoolOptions options_;

  WorkerLaunch launch_;
  std::string setupFrame_;
  std::vector<WorkerSlot> slots_;
  std::size_t count_ = 0;
  std::size_t window_ = 1;
  std::size_t next_ = 0;  // first file never dispatched
  std::size_t head_ = 0;  // first file not committed
  std::deque<std::size_t> retries_;
  std::vector<bool> libtiffOnly_;
  std::map<std::size_t, std::vector<std::string>> notes_;  // from earlier attempts
  std::map<std::size_t, Outcome> done_;
  std::uint64_t jobSerial_ = 0;
  int startFailures_ = 0;
  bool noMoreStarts_ = false;
  bool convertHere_ = false;
  std::string startError_;
  int converted_ = 0;
  std::int64_t last_ = 0;
};

int Coordinator::Run() {
  count_ = batch_.inputs != nullptr ? batch_.inputs->size() : 0;
  if (count_ == 0 || !status_.KeepGoing()) {
    status_.Modify([&](BatchProgress& progress) { progress.resultCount = 0; });
    return 0;
  }
  IgnoreBrokenPipeSignal();

  const int workers = ChooseWorkerCount(batch_, options_.workers);
  // With numbered names a file may only start once the one before it has its result.
  window_ = CountersShapeOutput(batch_) ? 1 : kLookAheadPerWorker * static_cast<std::size_t>(workers);
  slots_.resize(static_cast<std::size_t>(workers));
  libtiffOnly_.assign(count_, false);

  if (const auto limit = TestFileTimeLimitMs()) {
    options_.timeLimitMs = *limit;
    options_.timeLimitPerMiBMs = 0;
  }
  if (options_.memoryLimitBytes == 0) {
    options_.memoryLimitBytes = TestMemoryLimitBytes().value_or(
        std::max(kMinimumMemoryLimit, PhysicalMemoryBytes() / static_cast<std::uint64_t>(workers)));
  }
  launch_.executable = options_.executable.empty() ? ExecutablePath() : options_.executable;
  launch_.arguments = {std::string(kWorkerModeArgument), std::to_string(CurrentProcessId())};
  if (launch_.executable.empty()) {
    startError_ = "the program's own path is unknown";
    convertHere_ = true;
  }

  WorkerSetup setup;
  setup.settings = batch_.settings;
  setup.target = batch_.target;
  setup.outputFolder = batch_.outputFolder;
  setup.debug = batch_.debug;
  setup.inputPaths.reserve(count_);
  for (const InputEntry& entry : *batch_.inputs) setup.inputPaths.push_back(entry.path);
  setup.memoryLimitBytes = options_.memoryLimitBytes;
  setupFrame_ = EncodeSetup(setup);

  Publish(0);
  while (head_ < count_) {
    if (convertHere_) {
      ConvertRestHere();
      break;
    }
    Dispatch();
    if (convertHere_) continue;
    // A stop that came before the next file could start leaves nothing that will ever
    // arrive; waiting on would never end.
    if (!status_.KeepGoing() && NothingInHand()) break;
    WaitForMessages();
    CheckTimeLimits();
    if (!CommitReady()) break;
  }
  Shutdown();
  status_.Modify([&](BatchProgress& progress) { progress.resultCount = converted_; });
  return 0;
}

std::optional<std::size_t> Coordinator::NextFile() {
  if (!retries_.empty()) {
    const std::size_t index = retries_.front();
    retries_.pop_front();
    return index;
  }
  // Keep going is honoured at file boundaries: nothing new starts after a stop request.
  if (next_ < count_ && next_ < head_ + window_ && status_.KeepGoing()) return next_++;
  return std::nullopt;
}

bool Coordinator::StartWorker(WorkerSlot& slot) {
  std::string error;
  slot.channel = WorkerChannel::Start(launch_, setupFrame_, error);
  slot.ready = false;
  if (slot.channel) return true;
  startError_ = error;
  if (++startFailures_ >= kStartFailuresBeforeGivingUp) noMoreStarts_ = true;
  return false;
}

void Coordinator::Dispatch() {
  if (noMoreStarts_ && !AnyWorkerAlive()) {
    convertHere_ = true;
    return;
  }
  for (WorkerSlot& slot : slots_) {
    if (slot.job) continue;
    if (!slot.channel && noMoreStarts_) continue;
    const std::optional<std::size_t> index = NextFile();
    if (!index) break;
    if (!slot.channel && !StartWorker(slot)) {
      retries_.push_front(*index);
      if (noMoreStarts_ && !AnyWorkerAlive()) convertHere_ = true;
      return;
    }
    WorkerJob job;
    job.position = *index + 1;
    job.entry = Entry(*index);
    job.counters = counters_;
    job.libtiffOnly = libtiffOnly_[*index];
    job.tag = JobTag(++jobSerial_);
    slot.job = *index;
    slot.tag = job.tag;
    slot.folders.clear();
    // Where the job writes unless its name mask adds folders, known before it starts: a stop
    // at once must find the job's temporary files even when its own notice is still unread.
    const std::string folder =
        batch_.outputFolder +
        (batch_.settings.advanced.keepSubfolders != 0 ? job.entry.relativeSubfolder : "");
    slot.folders.insert(folder);
    TrackChildTemporaryFiles(slot.channel->processId(), folder, slot.tag);
    slot.startedMs = MonotonicMilliseconds();
    const std::int64_t size = std::max<std::int64_t>(FileSize(job.entry.path), 0);
    const std::int64_t mebibytes = (size + (std::int64_t{1} << 20) - 1) >> 20;
    slot.limitMs = options_.timeLimitMs + mebibytes * options_.timeLimitPerMiBMs;
    // A worker that cannot take the job has ended; its end of the messages shows that.
    slot.channel->Send(EncodeJob(job));
  }
}

bool Coordinator::AnyWorkerAlive() const {
  return std::any_of(slots_.begin(), slots_.end(), [](const WorkerSlot& s) { return s.channel.has_value(); });
}

bool Coordinator::NothingInHand() const {
  return retries_.empty() && !done_.contains(head_) &&
         std::none_of(slots_.begin(), slots_.end(), [](const WorkerSlot& s) { return s.job.has_value(); });
}

void Coordinator::WaitForMessages() {
  std::vector<int> fds;
  std::vector<WorkerSlot*> owners;
  int timeout = kWaitSliceMs;
  const std::int64_t now = MonotonicMilliseconds();
  for (WorkerSlot& slot : slots_) {
    if (!slot.channel) continue;
    fds.push_back(slot.channel->messageDescriptor());
    owners.push_back(&slot);
    if (slot.job) {
      const std::int64_t left = slot.startedMs + slot.limitMs - now;
      timeout = static_cast<int>(std::clamp<std::int64_t>(left, 0, timeout));
    }
  }
  if (fds.empty()) return;
  const std::vector<bool> readable = WaitUntilReadable(fds, timeout);
  for (std::size_t i = 0; i < owners.size(); ++i) {
    if (!readable[i]) continue;
    WorkerSlot& slot = *owners[i];
    std::vector<Frame> frames;
    const bool open = slot.channel->Receive(frames);
    for (const Frame& frame : frames) {
      if (!slot.channel) break;
      HandleFrame(slot, frame);
    }
    if (!slot.channel) continue;
    if (!open) EndWorker(slot, EndCause::Died);
  }
}

void Coordinator::HandleFrame(WorkerSlot& slot, const Frame& frame) {
  switch (static_cast<MessageKind>(frame.kind)) {
    case MessageKind::Ready:
      slot.ready = true;
      startFailures_ = 0;
      // Start-up is not the file's time.
      if (slot.job) slot.startedMs = MonotonicMilliseconds();
      return;
    case MessageKind::Folder:
      if (const auto notice = DecodeFolderNotice(frame.payload); notice && slot.job) {
        if (slot.folders.insert(notice->folder).second) {
          TrackChildTemporaryFiles(slot.channel->processId(), notice->folder, slot.tag);
        }
        return;
      }
      break;
    case MessageKind::Result:
      if (auto message = DecodeResult(frame.payload);
          message && slot.job && message->position == *slot.job + 1) {
        const std::size_t index = *slot.job;
        // The finished pages are this process's to move into place or remove now.
        for (const StagedFile& staged : message->result.staged) TrackTemporaryFile(staged.temporaryPath);
        ForgetChildTemporaryFiles(slot.channel->processId());
        Outcome outcome{std::move(message->result), MonotonicMilliseconds() - slot.startedMs};
        if (auto notes = notes_.find(index); notes != notes_.end()) {
          outcome.result.diagnostics.insert(outcome.result.diagnostics.begin(), notes->second.begin(),
                                            notes->second.end());
          notes_.erase(notes);
        }
        done_[index] = std::move(outcome);
        slot.job.reset();
        slot.folders.clear();
        return;
      }
      break;
    default:
      break;
  }
  EndWorker(slot, EndCause::BrokenStream);
}

void Coordinator::CheckTimeLimits() {
  const std::int64_t now = MonotonicMilliseconds();
  for (WorkerSlot& slot : slots_) {
    if (slot.channel && slot.job && now - slot.startedMs >= slot.limitMs)
      EndWorker(slot, EndCause::TimeLimit);
  }
}

void Coordinator::EndWorker(WorkerSlot& slot, EndCause cause) {
  if (cause != EndCause::Died) slot.channel->Kill();
  // Ended but not reaped: the temporary files are cleaned before anything can reuse its id.
  const ChildEnd end = slot.channel->WaitUntilEnded();
  if (slot.job) {
    for (const std::string& folder : slot.folders) RemoveTemporaryFilesTagged(folder, slot.tag);
  }
  ForgetChildTemporaryFiles(slot.channel->processId());
  slot.channel->Finish();
  slot.channel.reset();
  const bool wasReady = std::exchange(slot.ready, false);
  if (!slot.job) return;
  const std::size_t index = *std::exchange(slot.job, std::nullopt);
  slot.folders.clear();

  if (!wasReady) {
    // It ended before it could look at the file: not the file's doing.
    startError_ = "a worker process ended while starting (" + DescribeChildEnd(end) + ")";
    retries_.push_front(index);
    if (++startFailures_ >= kStartFailuresBeforeGivingUp) {
      noMoreStarts_ = true;
      if (!AnyWorkerAlive()) convertHere_ = true;
    }
    return;
  }

  std::string reason;
  switch (cause) {
    case EndCause::TimeLimit:
      reason = "worker stopped: the file took longer than " + std::to_string(slot.limitMs / 1000) + " s";
      break;
    case EndCause::BrokenStream:
      reason = "worker stopped: it sent a message that cannot be read";
      break;
    case EndCause::Died:
      reason = std::string(end.exited ? "worker ended with " : "worker ended by ") + DescribeChildEnd(end);
      break;
  }
  // A crash may be the combined decoder's; the libtiff decoder alone gets one more try.
  if (cause == EndCause::Died && !libtiffOnly_[index]) {
    libtiffOnly_[index] = true;
    notes_[index].push_back(reason + "; trying again with the libtiff decoder alone");
    retries_.push_front(index);
    return;
  }
  Outcome outcome;
  outcome.result.diagnostics = std::move(notes_[index]);
  notes_.erase(index);
  outcome.result.diagnostics.push_back(std::move(reason));
  done_[index] = std::move(outcome);
}

bool Coordinator::CommitReady() {
  for (auto found = done_.find(head_); found != done_.end(); found = done_.find(head_)) {
    Outcome outcome = std::move(found->second);
    done_.erase(found);
    Commit(head_, std::move(outcome));
    if (++head_ >= count_) break;
    // Keep going is read once before each file.
    if (!status_.KeepGoing()) return false;
    Publish(head_);
  }
  return true;
}

void Coordinator::Publish(std::size_t index) {
  status_.Modify([&](BatchProgress& progress) {
    progress.progressCount = static_cast<int>(index + 1);
    progress.progressPath = Entry(index).path;
    progress.lastDuration = last_;
  });
}

void Coordinator::Commit(std::size_t index, Outcome outcome) {
  const InputEntry& entry = Entry(index);
  FileReport report;
  report.position = index + 1;
  report.inputPath = entry.path;
  if (batch_.debug) {
    report.consoleLines.push_back(kProcessingLine + entry.path);
    report.consoleLines.push_back(kFileFormatLine + IdentifySignature(entry.path));
  }
  FileResult& result = outcome.result;
  // In input order, so that when two files name the same output the later one stays.
  for (const StagedFile& staged : result.staged) {
    if (!MoveTemporaryFileInPlace(staged.temporaryPath, staged.path)) {
      result.diagnostics.push_back("the file could not be written: " + staged.path);
      std::erase(result.writtenPaths, staged.path);
      // The file's result is that of its last save.
      if (&staged == &result.staged.back()) result.converted = false;
    }
  }
  result.staged.clear();

  if (result.converted) {
    if (batch_.debug) report.consoleLines.push_back(kSavedAsLine + result.outputPath);
    ++converted_;
    last_ = std::max<std::int64_t>(outcome.durationMs, 1000);
    ConversionContext stamped{batch_, entry.path, entry.relativeSubfolder, counters_, {}, {}, {}, {}};
    stamped.writtenPaths = result.writtenPaths;
    StampOutputFileTime(stamped);
    AdvanceFileCounters(counters_);
  } else {
    if (batch_.debug) report.consoleLines.push_back(kConvertErrorLine);
    last_ = 0;
  }
  if (!startError_.empty() && convertHere_) {
    result.diagnostics.insert(result.diagnostics.begin(), "worker processes unavailable (" + startError_ +
                                                              "); converting in this process");
    startError_.clear();
  }
  report.result = std::move(result);
  if (sink_) sink_(report);
}

void Coordinator::ConvertRestHere() {
  // No worker is left, so nothing is in hand anywhere: what has no result yet is converted
  // here, in input order.
  while (head_ < count_) {
    Outcome outcome;
    if (auto found = done_.find(head_); found != done_.end()) {
      outcome = std::move(found->second);
      done_.erase(found);
    } else if (libtiffOnly_[head_]) {
      // It has already ended a worker: it must not get the chance to end this process.
      outcome.result.diagnostics = std::move(notes_[head_]);
      notes_.erase(head_);
      outcome.result.diagnostics.push_back("not tried again: no worker process can be started");
    } else {
      const std::int64_t started = MonotonicMilliseconds();
      outcome.result = ConvertInputFile(batch_, Entry(head_), counters_);
      outcome.durationMs = MonotonicMilliseconds() - started;
    }
    Commit(head_, std::move(outcome));
    if (++head_ >= count_) break;
    if (!status_.KeepGoing()) break;
    Publish(head_);
  }
}

void Coordinator::Shutdown() {
  for (WorkerSlot& slot : slots_) {
    if (!slot.channel) continue;
    if (slot.job) {
      // Stopped early: a file beyond the stop is not wanted.
      slot.channel->Kill();
      slot.channel->WaitUntilEnded();
      for (const std::string& folder : slot.folders) RemoveTemporaryFilesTagged(folder, slot.tag);
    }
    ForgetChildTemporaryFiles(slot.channel->processId());
    slot.channel->Finish();
    slot.channel.reset();
  }
  // Results beyond a stop were never committed.
  for (const auto& [index, outcome] : done_) {
    for (const StagedFile& staged : outcome.result.staged) {
      RemoveFile(staged.temporaryPath);
      ForgetTrackedTemporaryFile(staged.temporaryPath);
    }
  }
  done_.clear();
}

}  // namespace

bool CountersShapeOutput(const BatchContext& batch) {
  if (NamesCounter(batch.settings.advanced.filenameMask)) return true;
  if (batch.settings.watermark.doWatermark == 1 && NamesCounter(batch.settings.watermark.text)) return true;
  // The mask brings in the input's name, and that name is expanded in turn.
  if (batch.inputs != nullptr) {
    for (const InputEntry& entry : *batch.inputs) {
      if (NamesCounter(BaseName(entry.path))) return true;
    }
  }
  return false;
}

int ChooseWorkerCount(const BatchContext& batch, int requested) {
  int count = requested > 0 ? requested : batch.settings.advanced.workerThreads;
  if (count <= 0) count = UsableProcessorCount();
  if (CountersShapeOutput(batch)) count = 1;
  if (batch.inputs != nullptr && batch.inputs->size() < static_cast<std::size_t>(count)) {
    count = static_cast<int>(batch.inputs->size());
  }
  return std::max(count, 1);
}

int ConvertWorkerInProcesses(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
                             const FileReportSink& sink, const WorkerPoolOptions& options) {
  // The inputs are looked up by identity once, for the saves that may happen here.
  BatchContext local = batch;
  std::optional<InputGuard> guard;
  if (local.inputGuard == nullptr && local.inputs != nullptr) {
    guard.emplace(*local.inputs);
    local.inputGuard = &*guard;
  }
  Coordinator coordinator(local, status, counters, sink, options);
  return coordinator.Run();
}

}  // namespace rastrel
