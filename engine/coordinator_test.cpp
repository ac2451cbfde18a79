#include "engine/coordinator.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>

#include "engine/encoding.h"
#include "engine/fault_injection.h"
#include "engine/worker_process.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "platform/process_control.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

// This test program is also the coordinator's worker executable: started with the worker
// argument, it is a worker process and never reaches the tests.
[[maybe_unused]] const bool kRunsAsWorker = [] {
  const std::string cmdline = ReadWholeFile("/proc/self/cmdline").value_or("");
  std::vector<std::string> args;
  for (std::size_t at = 0; at < cmdline.size();) {
    const std::size_t end = std::min(cmdline.find('\0', at), cmdline.size());
    args.push_back(cmdline.substr(at, end - at));
    at = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  if (IsWorkerInvocation(static_cast<int>(argv.size()), argv.data())) {
    std::exit(RunWorkerProcess(static_cast<int>(argv.size()), argv.data()));
  }
  return false;
}();

using fixtures::PageKind;
using fixtures::PageSpec;

// prefix + number + suffix, built by appending (GCC 12 warns falsely about a literal
// put in front of a temporary string).
std::string Numbered(std::string_view prefix, int number, std::string_view suffix = {}) {
  std::string text(prefix);
  text.append(std::to_string(number)).append(suffix);
  return text;
}

struct BatchRun {
  std::vector<FileReport> reports;
  std::vector<BatchProgress> progressAtReport;
  BatchProgress final;
  FileCounters counters;
};

struct PoolBatch {
  fixtures::TempFolder temp;
  Settings settings;
  ConversionTarget target{"jpg", FIF_JPEG, 0, true, 0};
  InputMap inputs;

  PoolBatch() { target.saveFlags = ComputeSaveFlags(settings, "jpg"); }

  std::string Add(const std::string& relative, const std::vector<PageSpec>& pages,
                  const std::string& sub = "") {
    const std::string path = temp.path() + "in/" + relative;
    temp.MakeFolder("in/" + sub);
    EXPECT_TRUE(fixtures::WriteTiff(path, pages));
    inputs.Add(path, sub);
    return path;
  }

  // `workers` 0 converts in this process with the plain worker.
  BatchRun Convert(const std::string& out, int workers, const WorkerPoolOptions& base = {},
                   const std::function<void(const FileReport&, BatchStatus&)>& also = {}) {
    BatchContext batch{settings, target, temp.MakeFolder(out), true};
    batch.inputs = &inputs;
    BatchStatus status;
    status.Reset();
    BatchRun run;
    run.counters = {321, 1};
    auto sink = [&](const FileReport& report) {
      run.reports.push_back(report);
      run.progressAtReport.push_back(status.Snapshot());
      if (also) also(report, status);
    };
    if (workers == 0) {
      ConvertWorker(batch, status, run.counters, sink);
    } else {
      WorkerPoolOptions options = base;
      options.workers = workers;
      ConvertWorkerInProcesses(batch, status, run.counters, sink, options);
    }
    run.final = status.Snapshot();
    return run;
  }

  // Every file below `out`, relative name → bytes.
  std::map<std::string, std::string> Outputs(const std::string& out) const {
    std::map<std::string, std::string> files;
    std::vector<std::string> folders{temp.path() + out + "/"};
    while (!folders.empty()) {
      const std::string folder = folders.back();
      folders.pop_back();
      for (const DirEntry& entry : ListFolder(folder)) {
        if (entry.isFolder) {
          folders.push_back(folder + entry.name + "/");
        } else {
          files[(folder + entry.name).substr(temp.path().size() + out.size() + 1)] =
              ReadWholeFile(folder + entry.name).value_or("");
        }
      }
    }
    return files;
  }
};

// The console lines with the output folder taken out, to compare runs into different folders.
std::vector<std::string> Lines(const BatchRun& run, const std::string& outFolder) {
  std::vector<std::string> lines;
  for (const FileReport& report : run.reports) {
    for (std::string line : report.consoleLines) {
      if (const auto at = line.find(outFolder); at != std::string::npos) line.erase(at, outFolder.size());
      lines.push_back(line);
    }
  }
  return lines;
}

// Several worker processes, one worker process and the in-process worker must agree on every
// byte written, every name, every line and every count — also when two inputs name the same
// output (the later one must win) and when a file fails.
TEST(ConvertWorkerInProcesses, AnyNumberOfWorkersGivesTheSameOutputsAndLines) {
  PoolBatch b;
  b.settings.advanced.keepSubfolders = 0;
  b.settings.input.tiffFrameLoading = 0;  // ALL
  const PageKind kinds[] = {PageKind::Rgb24Lzw, PageKind::Grey8, PageKind::BilevelMinIsWhiteG4,
                            PageKind::Palette8, PageKind::Rgb48, PageKind::Cmyk32};
  for (int i = 0; i < 12; ++i) {
    std::vector<PageSpec> pages{PageSpec{kinds[i % 6], 40 + 8 * i, 30 + 4 * i}};
    if (i % 4 == 1) pages.push_back(PageSpec{kinds[(i + 1) % 6], 32, 32});
    b.Add(Numbered("f", i, ".tif"), pages);
  }
  // Same output name from two subfolders, written in input order.
  b.Add("a/same.tif", {PageSpec{PageKind::Grey8, 200, 150}}, "a/");
  b.Add("b/same.tif", {PageSpec{PageKind::Rgb24Lzw, 64, 48}}, "b/");
  b.temp.Write("in/broken.tif", "not an image");
  b.inputs.Add(b.temp.path() + "in/broken.tif", "");

  const BatchRun here = b.Convert("here", 0);
  const BatchRun one = b.Convert("one", 1);
  const BatchRun three = b.Convert("three", 3);

  const auto expected = b.Outputs("here");
  EXPECT_EQ(expected.size(), 12u + 3u + 1u);  // three files have two pages
  EXPECT_LE(fixtures::PatternDifference(b.temp.path() + "here/same.jpg", PageKind::Rgb24Lzw, 0), 16);
  for (const std::string out : {"one", "three"}) {
    const BatchRun& run = out == std::string("one") ? one : three;
    EXPECT_EQ(b.Outputs(out), expected) << out;
    EXPECT_EQ(Lines(run, b.temp.path() + out + "/"), Lines(here, b.temp.path() + "here/")) << out;
    EXPECT_EQ(run.final.resultCount, 14) << out;
    EXPECT_EQ(run.counters.fileCounter, here.counters.fileCounter) << out;
    EXPECT_EQ(run.counters.randomNumber == 321, here.counters.randomNumber == 321) << out;
    ASSERT_EQ(run.reports.size(), 15u);
    for (std::size_t i = 0; i < run.reports.size(); ++i) {
      EXPECT_EQ(run.reports[i].position, i + 1);
      // The status shows the file whose report this is.
      EXPECT_EQ(run.progressAtReport[i].progressCount, static_cast<int>(i + 1));
      EXPECT_EQ(run.progressAtReport[i].progressPath, run.reports[i].inputPath);
    }
    EXPECT_GE(run.progressAtReport[1].lastDuration, 1000);  // raised to at least a second
  }
}

// A worker that dies, hangs or runs out of memory costs exactly the file it holds: the batch
// goes on, the counts are right, nothing half-written remains, and the reason is reported.
TEST(ConvertWorkerInProcesses, AFaultyFileCostsOnlyItself) {
  ASSERT_EQ(::setenv(kFaultsVariable, "1", 1), 0);
  PoolBatch b;
  const PageSpec page{PageKind::Rgb24Lzw, 64, 48};
  struct Case {
    std::string name;
    bool converts;
    std::string reason;  // in the diagnostics of a failed file
  };
  std::vector<Case> cases = {
      {"good1.tif", true, ""}, {"x-rastrel-fault-abort.tif", false, "worker ended by signal 6"},
      {"good2.tif", true, ""}, {"x-rastrel-fault-crash-after-write.tif", false, "worker ended by signal 6"},
      {"good3.tif", true, ""}, {"x-rastrel-fault-hang.tif", false, "took longer than"},
      {"good4.tif", true, ""},
  };
  if (AddressSpaceLimitAvailable()) {
    cases.push_back({"x-rastrel-fault-memory.tif", false, "out of memory"});
    cases.push_back({"good5.tif", true, ""});
  }
  for (const Case& c : cases) b.Add(c.name, {page});

  WorkerPoolOptions options;
  options.timeLimitMs = 4000;
  options.timeLimitPerMiBMs = 0;
  options.memoryLimitBytes = std::uint64_t{512} << 20;
  for (int workers : {1, 2}) {
    const std::string out = Numbered("out", workers);
    const BatchRun run = b.Convert(out, workers, options);
    ASSERT_EQ(run.reports.size(), cases.size());
    int good = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const FileReport& report = run.reports[i];
      const std::string base = cases[i].name.substr(0, cases[i].name.size() - 4);
      SCOPED_TRACE(cases[i].name + Numbered(" with ", workers, " workers"));
      EXPECT_EQ(report.result.converted, cases[i].converts);
      EXPECT_EQ(report.consoleLines.back(),
                cases[i].converts ? std::string(kSavedAsLine) + b.temp.path() + out + "/" + base + ".jpg"
                                  : std::string(kConvertErrorLine));
      EXPECT_EQ(FileSize(b.temp.path() + out + "/" + base + ".jpg") > 0, cases[i].converts);
      if (cases[i].converts) {
        ++good;
      } else {
        std::string all;
        for (const std::string& line : report.result.diagnostics) all += line + "\n";
        EXPECT_NE(all.find(cases[i].reason), std::string::npos) << all;
      }
    }
    // A crash gets one more try with the other decoder; a hang does not.
    EXPECT_NE(run.reports[1].result.diagnostics.front().find("trying again"), std::string::npos);
    EXPECT_EQ(run.reports[5].result.diagnostics.size(), 1u);
    EXPECT_EQ(run.final.resultCount, good);
    EXPECT_EQ(run.counters.fileCounter, 1 + good);
    EXPECT_EQ(b.Outputs(out).size(), static_cast<std::size_t>(good));  // no temporary file left
  }
  ::unsetenv(kFaultsVariable);
}

// Clearing keep going stops at the next file boundary, as in a sequential run: the file in
// hand is finished and counted, nothing after it is kept, even what other workers finished.
TEST(ConvertWorkerInProcesses, StopRequestEndsAfterTheCurrentFile) {
  PoolBatch b;
  for (int i = 0; i < 8; ++i) b.Add(Numbered("s", i, ".tif"), {PageSpec{PageKind::Grey8, 32, 32}});
  const BatchRun run = b.Convert("out", 3, {}, [](const FileReport& report, BatchStatus& status) {
    if (report.position == 3) status.RequestStop();
  });
  EXPECT_EQ(run.reports.size(), 3u);
  EXPECT_EQ(run.final.resultCount, 3);
  EXPECT_EQ(run.final.progressCount, 3);
  const auto outputs = b.Outputs("out");
  EXPECT_EQ(outputs.size(), 3u);
  EXPECT_TRUE(outputs.count("s2.jpg"));
}

// Without a runnable worker program the files are still converted, here, and the first report
// says why.
TEST(ConvertWorkerInProcesses, ConvertsHereWhenNoWorkerCanStart) {
  PoolBatch b;
  for (int i = 0; i < 3; ++i) b.Add(Numbered("h", i, ".tif"), {PageSpec{PageKind::Grey8, 16, 16}});
  WorkerPoolOptions options;
  options.executable = b.temp.path() + "missing-program";
  const BatchRun run = b.Convert("out", 2, options);
  EXPECT_EQ(run.final.resultCount, 3);
  ASSERT_EQ(run.reports.size(), 3u);
  ASSERT_FALSE(run.reports[0].result.diagnostics.empty());
  EXPECT_NE(run.reports[0].result.diagnostics.front().find("converting in this process"), std::string::npos);
  EXPECT_EQ(b.Outputs("out").size(), 3u);
}

// When workers stop starting in the middle of a batch, the rest is converted here, except a
// file that has already crashed a worker: it would take this process down with it.
TEST(ConvertWorkerInProcesses, AFileThatCrashedAWorkerIsNeverConvertedHere) {
  ASSERT_EQ(::setenv(kFaultsVariable, "1", 1), 0);
  PoolBatch b;
  for (const char* name : {"a.tif", "x-rastrel-fault-abort.tif", "c.tif"}) {
    b.Add(name, {PageSpec{PageKind::Grey8, 16, 16}});
  }
  // The first start runs the real worker; every later one fails.
  const std::string counter = b.temp.path() + "starts";
  const std::string script = b.temp.Write(
      "worker.sh", "#!/bin/sh\nn=$(cat '" + counter + "' 2>/dev/null || echo 0)\necho $((n + 1)) > '" +
                       counter + "'\n[ \"$n\" = 0 ] && exec '" + ExecutablePath() + "' \"$@\"\nexit 1\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  WorkerPoolOptions options;
  options.executable = script;
  const BatchRun run = b.Convert("out", 1, options);
  ::unsetenv(kFaultsVariable);

  ASSERT_EQ(run.reports.size(), 3u);
  EXPECT_TRUE(run.reports[0].result.converted);
  EXPECT_FALSE(run.reports[1].result.converted);
  EXPECT_NE(run.reports[1].result.diagnostics.back().find("not tried again"), std::string::npos);
  EXPECT_TRUE(run.reports[2].result.converted);
  EXPECT_EQ(run.final.resultCount, 2);
}

// Numbers in names depend on which earlier files succeeded, so such batches run one file at
// a time; everything else may use every worker.
TEST(ChooseWorkerCount, NumberedNamesRunOneFileAtATime) {
  struct Case {
    std::string mask;
    std::int8_t watermark;
    std::string watermarkText;
    std::string inputName;
    int expected;
  };
  const Case cases[] = {
      {"%filename%.%ext%", 0, "", "a.tif", 4},         {"IMG_%N%.%ext%", 0, "", "a.tif", 1},
      {"%Rnd%_%filename%.%ext%", 0, "", "a.tif", 1},   {"%filename%.%ext%", 1, "copy %n%", "a.tif", 1},
      {"%filename%.%ext%", 2, "copy %n%", "a.tif", 4},  // a picture watermark has no text
      {"%filename%.%ext%", 0, "", "a%RND%b.tif", 1},    // the mask brings the name in
  };
  for (const Case& c : cases) {
    PoolBatch b;
    b.settings.advanced.filenameMask = c.mask;
    b.settings.watermark.doWatermark = c.watermark;
    b.settings.watermark.text = c.watermarkText;
    for (int i = 0; i < 5; ++i) b.inputs.Add(Numbered("/in/", i, c.inputName), "");
    BatchContext batch{b.settings, b.target, "/out/"};
    batch.inputs = &b.inputs;
    EXPECT_EQ(ChooseWorkerCount(batch, 4), c.expected) << c.mask << " " << c.inputName;
  }
  // Never more workers than files.
  PoolBatch two;
  two.inputs.Add("/in/a.tif", "");
  two.inputs.Add("/in/b.tif", "");
  BatchContext batch{two.settings, two.target, "/out/"};
  batch.inputs = &two.inputs;
  EXPECT_EQ(ChooseWorkerCount(batch, 8), 2);
}

}  // namespace
}  // namespace rastrel
