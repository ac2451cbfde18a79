// Converts TIFF files to JPEG with the engine directly, one file after another on one
// thread, with the console defaults: the time the engine itself needs, without process
// start-up per file. Used by engine_vs_peers.sh.
//
//   convert_bench OUTPUT_FOLDER FILE...
//
// Prints "converted N of M files in T ms" and, per failed file, its diagnostics to
// standard error. Exit code 0 when every file converted, 1 otherwise.
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/counters.h"
#include "engine/encoding.h"
#include "engine/worker.h"
#include "formats/format_registry.h"
#include "platform/filesystem.h"
#include "settings/settings.h"

int main(int argc, char** argv) {
  using namespace rastrel;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER FILE...\n", argv[0]);
    return 2;
  }
  std::string output = argv[1];
  if (!IsAbsolutePath(output)) output = CurrentFolder() + output;
  if (output.back() != '/') output += '/';
  if (!IsFolder(output)) {
    std::fprintf(stderr, "%s: not a folder\n", output.c_str());
    return 2;
  }

  Settings settings;
  ApplyDefaults(settings, true);
  ConversionTarget target;
  PrepareConversionTarget(target, "jpg", settings.output, ComputeSaveFlags(settings, "jpg"));
  InputMap inputs;
  for (int i = 2; i < argc; ++i) {
    std::string path = argv[i];
    if (!IsAbsolutePath(path)) path = CurrentFolder() + path;
    inputs.Add(path, "");
  }
  BatchContext batch{settings, target, output};
  batch.inputs = &inputs;
  BatchStatus status;
  status.Reset();
  FileCounters counters = ResetFileCounters();

  const auto started = std::chrono::steady_clock::now();
  ConvertWorker(batch, status, counters, [](const FileReport& report) {
    if (report.result.converted) return;
    std::fprintf(stderr, "failed: %s\n", report.inputPath.c_str());
    for (const std::string& line : report.result.diagnostics) std::fprintf(stderr, "  %s\n", line.c_str());
  });
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
          .count();
  const int converted = status.Snapshot().resultCount;
  std::printf("converted %d of %zu files in %lld ms\n", converted, inputs.size(),
              static_cast<long long>(elapsed));
  return converted == static_cast<int>(inputs.size()) ? 0 : 1;
}
