#include "app/console_batch.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "app/batch_thread.h"
#include "app/console_paths.h"
#include "app/exit_codes.h"
#include "app/fill_template.h"
#include "app/progress_line.h"
#include "engine/context.h"
#include "engine/coordinator.h"
#include "engine/counters.h"
#include "engine/encoding.h"
#include "engine/overlay_stages.h"
#include "engine/worker.h"
#include "formats/batch_status.h"
#include "formats/conversion_target.h"
#include "formats/format_registry.h"
#include "formats/input_collection.h"
#include "formats/input_map.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/interrupt.h"
#include "platform/process_control.h"
#include "platform/terminal.h"
#include "settings/debug_echo.h"
#include "settings/language.h"

namespace rastrel {

namespace {

std::string_view Message(std::string_view group, std::string_view key) { return LanguageText(group, key); }

std::string_view StoppedText() { return Message("Msg", "Conversion is not complete"); }

std::string FilesConvertedText(int converted, int collected) {
  return FillTemplate(Message("Msg", "Files converted"), std::to_string(converted),
                      std::to_string(collected));
}

// Everything the batch prints. The worker's reports arrive on its own thread while the
// main thread keeps the progress line up to date; one lock keeps lines whole, and the
// progress line is erased before any line is written.
class BatchOutput {
 public:
  BatchOutput(Console& console, ProgressLine& progress, bool quiet, bool debug)
      : console_(console), progress_(progress), quiet_(quiet), debug_(debug) {}

  bool quiet() const { return quiet_; }
  bool debug() const { return debug_; }

  void Line(std::string_view line) {
    std::lock_guard lock(mutex_);
    progress_.Erase();
    console_.WriteLine(line);
  }
  void Unquiet(std::string_view line) {
    if (!quiet_) Line(line);
  }
  void Debug(std::string_view line) {
    if (debug_) Line(line);
  }
  void ErrorLine(std::string_view line) {
    std::lock_guard lock(mutex_);
    progress_.Erase();
    console_.WriteErrorLine(line);
  }
  void Progress(const ProgressFacts& facts) {
    std::lock_guard lock(mutex_);
    progress_.Show(facts);
  }
  void EndProgress() {
    std::lock_guard lock(mutex_);
    progress_.Erase();
  }

 private:
  Console& console_;
  ProgressLine& progress_;
  bool quiet_;
  bool debug_;
  std::mutex mutex_;
};

// What validation settles before any file is touched.
struct BatchPlan {
  std::string inputPath;    // a file or list-file input, as typed
  std::string inputFolder;  // a folder input: absolute, ends in '/'
  std::string outputFolder;
  std::string conversionType;
  std::unique_ptr<OverlayStages> overlay;
  std::string overlayError;  // why `overlay` could not be loaded
};

// Input, output folder and conversion type. False after printing the error line.
bool ResolveRequestPaths(const ConsoleRequest& request, BatchOutput& out, BatchPlan& plan) {
  out.Debug("Input: " + request.inputText);
  if (NamesFile(request.inputText)) {
    plan.inputPath = request.inputText;
    if (FileSize(plan.inputPath) <= 0) {
      out.Line("Error: Invalid input file");
      return false;
    }
  } else {
    const ResolvedFolder input = ResolveFolder(request.inputText, request.workingFolder);
    if (input.check == FolderCheck::Incorrect) {
      out.Line("Error: Incorrect input folder");
      return false;
    }
    if (input.check == FolderCheck::Invalid) {
      out.Line("Error: Invalid input folder");
      return false;
    }
    plan.inputFolder = input.path;
  }

  std::string outputText = request.outputText;
  if (outputText.empty())
    outputText = FolderPart(plan.inputFolder.empty() ? plan.inputPath : plan.inputFolder);
  out.Debug("Output: " + outputText);
  const ResolvedFolder output = ResolveFolder(outputText, request.workingFolder);
  if (output.check == FolderCheck::Incorrect) {
    out.Line("Error: Incorrect output folder");
    return false;
  }
  if (output.check == FolderCheck::Invalid) {
    out.Line("Error: Invalid output folder");
    return false;
  }
  plan.outputFolder = output.path;

  const FormatRegistry& registry = ProductRegistry();
  plan.conversionType =
      request.conversionText.empty() ? registry.OutputFormats().front() : request.conversionText;
  out.Debug("Conversion: " + plan.conversionType);
  if (!registry.IsProductOutputFormat(plan.conversionType)) {
    out.Line("Error: Invalid conversion type");
    return false;
  }
  return true;
}

// The settings echo with the checks between its lines. False after printing the error.
bool CheckSettings(const Settings& settings, BatchOutput& out, BatchPlan& plan) {
  const FormatRegistry& registry = ProductRegistry();
  for (const EchoStep& step :
       SettingsEchoSteps(settings, registry.InputFamilies().front(), plan.conversionType)) {
    bool refused = false;
    switch (step.kind) {
      case EchoStepKind::Line:
        out.Debug(step.text);
        break;
      case EchoStepKind::Refusal:
        refused = true;
        break;
      case EchoStepKind::DepthCheck:
        refused = !registry.IsDepthAllowed(plan.conversionType, step.depth);
        break;
      case EchoStepKind::WatermarkFontCheck: {
        // The font is loaded here once and serves the whole batch. A drawing module that
        // cannot be loaded is no fault of the font: that ends the run later, in its own words.
        plan.overlay = OverlayStages::Load(settings, plan.overlayError);
        refused = plan.overlay == nullptr && plan.overlayError == kInvalidWatermarkFont;
        break;
      }
      case EchoStepKind::WatermarkImageCheck:
        refused = FileSize(settings.watermark.image) <= 0;
        break;
    }
    if (refused) {
      out.Line(step.text);
      return false;
    }
  }
  if (plan.overlay == nullptr && plan.overlayError.empty()) {
    // The frame, or the picture of an image watermark; nothing to load for neither.
    plan.overlay = OverlayStages::Load(settings, plan.overlayError);
  }
  return true;
}

// Starts `body` with a fresh status: keep going holds unless Ctrl+C came already.
bool RunWithStatus(BatchStatus& status, const InterruptWatch& watch, const std::function<void()>& body,
                   const std::function<void()>& tick = {}) {
  status.Reset();
  if (watch.Interrupted()) status.RequestStop();
  return RunBatchThread(body, tick);
}

// The one hand-over of the collected files to the conversion: whatever converts them
// publishes progress and result in `status` and reports each file to `sink` in input order.
void ConvertCollectedFiles(const BatchContext& batch, BatchStatus& status, FileCounters& counters,
                           const FileReportSink& sink) {
  ConvertWorkerInProcesses(batch, status, counters, sink);
}

void PrintReport(const FileReport& report, BatchOutput& out) {
  for (const std::string& line : report.consoleLines) out.Line(line);
  if (out.debug()) {
    for (const std::string& line : report.result.diagnostics) out.ErrorLine(line);
  }
}

// On standard error when the first Ctrl+C arrives, so that whoever pressed it knows it
// was heard and what a second one does.
constexpr std::string_view kStopping = "Stopping after the file in hand; press Ctrl+C again to stop at once.";

constexpr std::string_view kNoThread = "Error: The batch thread could not be started";

}  // namespace

int ConsoleBatchRun(const ConsoleRequest& request, Settings& settings, Console& console) {
  LoadLanguage();
  const bool showProgress =
      request.progressOnTerminal && !request.quiet && !request.debug && StandardErrorIsTerminal();
  ProgressLine progress(showProgress, WriteStandardError, showProgress ? StandardErrorColumns() : 80);
  BatchOutput out(console, progress, request.quiet, request.debug);

  // A reader that stops reading our lines (a pipe into head) must not end the process in
  // the middle of a write: the batch goes on and the lines are lost.
  IgnoreBrokenPipeSignal();
  BatchStatus status;
  // Before any thread exists: every later one inherits the blocked signals.
  InterruptWatch watch([&status, &out] {
    status.RequestStop();
    out.ErrorLine(kStopping);
  });

  out.Unquiet(Message("General", "Preparing"));
  BatchPlan plan;
  if (!ResolveRequestPaths(request, out, plan) || !CheckSettings(settings, out, plan)) return kExitInvalid;
  if (plan.overlay == nullptr) {
    out.ErrorLine("Error: " + plan.overlayError);
    return kExitCannotStart;
  }

  ConversionTarget target;
  PrepareConversionTarget(target, plan.conversionType, settings.output,
                          ComputeSaveFlags(settings, plan.conversionType));

  out.Unquiet(Message("General", "Importing"));
  InputMap inputs;
  InputCollection collection{inputs, plan.inputFolder, {}};
  int added = 0;
  if (!plan.inputFolder.empty()) {
    if (!RunWithStatus(status, watch, [&] { ImportFolder(collection, status); })) {
      out.ErrorLine(kNoThread);
      return kExitCannotStart;
    }
    added = status.Snapshot().resultCount;
  } else if (const std::string extension = LowerExtension(plan.inputPath);
             extension == "txt" || extension == "lst") {
    if (!RunWithStatus(status, watch, [&] { ImportList(collection, plan.inputPath, status); })) {
      out.ErrorLine(kNoThread);
      return kExitCannotStart;
    }
    added = status.Snapshot().resultCount;
  } else {
    added = AddInputFile(collection, plan.inputPath) ? 1 : 0;
  }

  if (watch.Interrupted()) {
    // The import was cut short: nothing is converted, and its count is no "complete".
    out.Line(StoppedText());
    out.Unquiet(FilesConvertedText(0, added));
    return kInterruptedExitCode;
  }
  out.Unquiet(FillTemplate(Message("Msg", "Import complete"), std::to_string(added)));
  if (added == 0) {
    out.Line(StoppedText());
    out.Line(Message("Msg", "Empty input files"));
    return kExitIncomplete;
  }

  out.Unquiet(Message("General", "Converting"));
  BatchContext batch{settings, target, plan.outputFolder, request.debug, plan.overlay.get(),
                     &inputs,  nullptr};
  FileCounters counters = ResetFileCounters();
  const FileReportSink sink = [&out](const FileReport& report) { PrintReport(report, out); };
  const std::int64_t started = MonotonicMilliseconds();
  const auto showProgressNow = [&] {
    const BatchProgress now = status.Snapshot();
    out.Progress({now.progressCount, added, now.progressPath, MonotonicMilliseconds() - started, 0});
  };
  if (!RunWithStatus(
          status, watch, [&] { ConvertCollectedFiles(batch, status, counters, sink); }, showProgressNow)) {
    out.ErrorLine(kNoThread);
    return kExitCannotStart;
  }
  out.EndProgress();

  const int converted = status.Snapshot().resultCount;
  // A Ctrl+C that came too late to keep any file from being converted stopped nothing.
  if (watch.Interrupted() && converted < added) {
    out.Line(StoppedText());
    out.Unquiet(FilesConvertedText(converted, added));
    return kInterruptedExitCode;
  }
  if (converted == 0) {
    out.Line(StoppedText());
    return kExitIncomplete;
  }
  out.Unquiet(Message("Msg", "Conversion complete"));
  out.Unquiet(FilesConvertedText(converted, added));
  return converted == added ? kExitSuccess : kExitIncomplete;
}

}  // namespace rastrel
