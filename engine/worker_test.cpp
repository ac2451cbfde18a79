#include "engine/worker.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "engine/encoding.h"
#include "platform/filesystem.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using fixtures::PageKind;

// Five inputs; the second is not a TIFF.
struct WorkerBatch {
  fixtures::TempFolder temp;
  Settings settings;
  ConversionTarget target{"jpg", FIF_JPEG, 0, true, 0};
  InputMap inputs;
  BatchContext batch{settings, target, temp.MakeFolder("out")};
  BatchStatus status;
  FileCounters counters{123, 1};
  std::vector<FileReport> reports;
  std::vector<BatchProgress> progressAtReport;

  WorkerBatch() {
    target.saveFlags = ComputeSaveFlags(settings, "jpg");
    batch.inputs = &inputs;
    settings.advanced.filenameMask = "IMG_%n%.%ext%";
    for (int i = 1; i <= 5; ++i) {
      const std::string path = temp.path() + "in/f" + std::to_string(i) + ".tif";
      temp.MakeFolder("in");
      if (i == 2) {
        EXPECT_TRUE(fixtures::WriteNotATiff(path));
      } else {
        EXPECT_TRUE(fixtures::WriteTiff(path, fixtures::PageSpec{PageKind::Grey8, 16, 16}));
      }
      inputs.Add(path, "");
    }
    status.Reset();
  }
  int Run(const std::function<void(const FileReport&)>& also = {}) {
    return ConvertWorker(batch, status, counters, [&](const FileReport& report) {
      reports.push_back(report);
      progressAtReport.push_back(status.Snapshot());
      if (also) also(report);
    });
  }
};

TEST(ConvertWorker, ConvertsInOrderAndNumbersOnlySuccessfulFiles) {
  WorkerBatch w;
  EXPECT_EQ(w.Run(), 0);
  ASSERT_EQ(w.reports.size(), 5u);
  EXPECT_EQ(w.status.Snapshot().resultCount, 4);
  EXPECT_EQ(w.counters.fileCounter, 5);
  EXPECT_NE(w.counters.randomNumber, 0);
  const char* names[] = {"img_00001.jpg", "", "img_00002.jpg", "img_00003.jpg", "img_00004.jpg"};
  for (std::size_t i = 0; i < 5; ++i) {
    const FileReport& r = w.reports[i];
    EXPECT_EQ(r.position, i + 1);
    EXPECT_EQ(r.inputPath, w.inputs.entries()[i].path);
    EXPECT_EQ(r.result.converted, i != 1);
    if (i != 1) {
      EXPECT_EQ(r.result.outputPath, w.batch.outputFolder + names[i]);
    }
    EXPECT_TRUE(r.consoleLines.empty()) << "debug lines only in debug mode";
    EXPECT_EQ(w.progressAtReport[i].progressCount, static_cast<int>(i + 1));
    EXPECT_EQ(w.progressAtReport[i].progressPath, r.inputPath);
  }
  // The previous file's duration, at least a second after a success, 0 after a failure.
  EXPECT_EQ(w.progressAtReport[0].lastDuration, 0);
  EXPECT_GE(w.progressAtReport[1].lastDuration, 1000);
  EXPECT_EQ(w.progressAtReport[2].lastDuration, 0);
  EXPECT_GE(w.progressAtReport[3].lastDuration, 1000);
}

TEST(ConvertWorker, DebugModeReportsEachFileInTheConsoleLines) {
  WorkerBatch w;
  w.batch.debug = true;
  w.Run();
  ASSERT_EQ(w.reports.size(), 5u);
  const auto& good = w.reports[0].consoleLines;
  ASSERT_EQ(good.size(), 3u);
  EXPECT_EQ(good[0], "Processing: " + w.reports[0].inputPath);
  EXPECT_EQ(good[1], "File Format: TIFF (LE)");
  EXPECT_EQ(good[2], "[OK] Saving As: " + w.batch.outputFolder + "img_00001.jpg");
  const auto& bad = w.reports[1].consoleLines;
  ASSERT_EQ(bad.size(), 3u);
  EXPECT_EQ(bad[0], "Processing: " + w.reports[1].inputPath);
  EXPECT_EQ(bad[1].rfind("File Format: ", 0), 0u);
  EXPECT_EQ(bad[2], "[ERROR] Unable to convert the file!");
  EXPECT_FALSE(w.reports[1].result.diagnostics.empty());
}

TEST(ConvertWorker, AStopRequestEndsTheBatchAfterTheCurrentFile) {
  WorkerBatch w;
  w.Run([&](const FileReport& report) {
    if (report.position == 3) w.status.RequestStop();
  });
  EXPECT_EQ(w.reports.size(), 3u);
  EXPECT_EQ(w.status.Snapshot().resultCount, 2);  // the second file fails
  EXPECT_EQ(FileSize(w.batch.outputFolder + "img_00003.jpg"), kFileMissing);
}

}  // namespace
}  // namespace rastrel
