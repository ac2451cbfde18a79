// Damaged TIFF files converted in this process, where a sanitizer sees every fault of the
// project's own code (a worker process would only report that the file failed): the
// generated damage of every kind, and the inputs fuzzing once found a fault with, kept
// under tests/data/fuzz-regressions/tiff_convert/. Each file either converts into complete
// pictures or fails; nothing is left half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/convert.h"
#include "engine/encoding.h"
#include "engine/overlay_stages.h"
#include "platform/filesystem.h"
#include "tests/support/damaged_tiffs.h"
#include "tests/support/output_files.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using fixtures::IsCompleteJpeg;

std::vector<fixtures::NamedFile> DamagedInputs() {
  std::vector<fixtures::NamedFile> files = fixtures::DamagedTiffs();
  const std::filesystem::path kept =
      std::filesystem::path(RASTREL_SOURCE_DIR) / "tests/data/fuzz-regressions/tiff_convert";
  if (std::filesystem::is_directory(kept)) {
    for (const auto& entry : std::filesystem::directory_iterator(kept)) {
      if (const auto bytes = ReadWholeFile(entry.path().string())) {
        files.push_back({"kept-" + entry.path().filename().string(), *bytes});
      }
    }
  }
  return files;
}

TEST(DamagedInput, EachFileConvertsCompletelyOrFailsWithoutLeftovers) {
  fixtures::TempFolder temp;
  Settings plain;
  ApplyDefaults(plain, true, 1'700'000'000, 0, 0);
  Settings staged = plain;  // pages that go through the stages, not straight to the encoder
  staged.transform.doImageFlipVertical = 1;
  staged.frame.doFrame = 1;
  staged.frame.solidTop = 2;
  std::string error;
  const std::unique_ptr<OverlayStages> stages = OverlayStages::Load(staged, error);
  ASSERT_TRUE(stages) << error;
  const std::vector<fixtures::NamedFile> files = DamagedInputs();
  ASSERT_GT(files.size(), 60u);
  const struct {
    const char* name;
    const Settings& settings;
    bool libtiffOnly;
  } modes[] = {{"plain", plain, false}, {"staged", staged, false}, {"libtiff alone", staged, true}};
  for (const auto& mode : modes) {
    const Settings& settings = mode.settings;
    ConversionTarget target{"jpg", FIF_JPEG, 0, true, ComputeSaveFlags(settings, "jpg")};
    for (const fixtures::NamedFile& file : files) {
      const std::string label = file.name + " (" + mode.name + ")";
      const std::string input = temp.Write("in/" + file.name, file.bytes);
      const std::string output = temp.MakeFolder("out");
      InputMap inputs;
      inputs.Add(input, "");
      BatchContext batch{settings, target, output};
      batch.inputs = &inputs;
      batch.libtiffOnly = mode.libtiffOnly;
      batch.overlay = stages.get();
      const FileResult result = ConvertInputFile(batch, InputEntry{input, ""}, FileCounters{});

      std::vector<std::string> listed;
      for (const DirEntry& entry : ListFolder(output)) listed.push_back(output + entry.name);
      std::sort(listed.begin(), listed.end());
      std::vector<std::string> written = result.writtenPaths;
      std::sort(written.begin(), written.end());
      EXPECT_EQ(listed, written) << label;
      for (const std::string& path : listed) {
        EXPECT_TRUE(IsCompleteJpeg(path)) << label << ": " << path;
        RemoveFile(path);
      }
      if (result.converted) {
        EXPECT_FALSE(result.writtenPaths.empty()) << label;
      }
      if (file.name.starts_with("no-pages-")) {
        EXPECT_FALSE(result.converted) << label;
      }
    }
  }
}

}  // namespace
}  // namespace rastrel
