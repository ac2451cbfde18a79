// What one file's conversion reads and writes. A conversion is a function of the batch
// (read-only while it runs), the input entry and the counters, so several workers can
// convert at once without sharing anything mutable.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "formats/conversion_target.h"
#include "formats/input_map.h"
#include "settings/settings.h"

namespace rastrel {

class OverlayStages;  // engine/overlay_stages.h: frame and watermark, loaded once per batch
class InputGuard;     // engine/input_guard.h

// The values behind "%rnd%" and "%n%": drawn at an input-list reset, renewed after each
// successfully converted file.
struct FileCounters {
  int randomNumber = 1;  // 1..99999
  int fileCounter = 1;
};

// How a worker process writes pages: complete files under temporary names, which the
// coordinator moves into place when it commits the file, in input order.
struct OutputStaging {
  std::string tag;  // in every temporary name of one file's conversion
  // Called before a temporary file is created in `folder`, so that whoever cleans up after
  // a worker that died knows where to look.
  std::function<void(const std::string& folder)> beforeWriting;
  // Called once a page's bytes are complete under `temporaryPath`.
  std::function<void(const std::string& temporaryPath, const std::string& path)> staged;
};

struct BatchContext {
  const Settings& settings;
  const ConversionTarget& target;
  std::string outputFolder;  // absolute, ends in '/'
  bool debug = false;        // console run with the debug option
  // Needed whenever the settings frame or watermark the pages (OverlayStages::Needed).
  const OverlayStages* overlay = nullptr;
  // Paths of the running batch's inputs; a save never replaces one of them.
  const InputMap* inputs = nullptr;
  // The same inputs by file identity, looked up once per batch; built from `inputs` by the
  // conversion worker when the starter leaves it empty.
  const InputGuard* inputGuard = nullptr;
  // Null: each page is written in place at once.
  const OutputStaging* staging = nullptr;
  // Decode with the libtiff decoder alone: the second attempt at a file whose first attempt
  // ended its worker process.
  bool libtiffOnly = false;
};

// Facts about the page in hand, read by naming and by the watermark text.
struct PageFacts {
  int sourceDepth = 0;
  int width = 0;  // after rotation and resizing, before frame and watermark
  int height = 0;
  int number = 0;  // 1-based
  int depth = 0;   // output depth chosen for this page
};

// Per-file state of one worker.
struct ConversionContext {
  const BatchContext& batch;
  std::string currentInputPath;
  std::string relativeSubfolder;
  FileCounters counters;
  PageFacts page;
  std::string outputPath;                 // last built path, without a frame marker
  std::vector<std::string> writtenPaths;  // every page saved for this file
  std::vector<std::string> diagnostics;   // library and engine messages for standard error
};

struct StagedFile {
  std::string temporaryPath;
  std::string path;
};

struct FileResult {
  bool converted = false;
  std::string outputPath;
  std::vector<std::string> writtenPaths;
  std::vector<std::string> diagnostics;
  // With staging: the pages written under temporary names, in the order of their saves;
  // not yet in place and not yet stamped.
  std::vector<StagedFile> staged;
};

}  // namespace rastrel
