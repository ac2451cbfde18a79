// Any bytes as an input list file: lines naming files and folders of the sandbox tree are
// imported, everything else is skipped, and nothing that is not an accepted file gets in.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "formats/batch_status.h"
#include "formats/input_collection.h"
#include "formats/input_map.h"
#include "platform/filesystem.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Lines are paths that get listed and walked. Absolute paths and ".." would walk the real
// file system (all of it, for "/"): the target keeps to the sandbox.
bool LeavesSandbox(std::string_view bytes) {
  if (bytes.find("..") != std::string_view::npos) return true;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    const std::size_t first = line.find_first_not_of(' ');
    if (first != std::string_view::npos && line[first] == '/') return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::filesystem::current_path(rastrel::fuzzing::Sandbox());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (LeavesSandbox(bytes)) return -1;
  static const std::string listPath = rastrel::fuzzing::Sandbox() + "list.txt";
  if (!rastrel::fuzzing::WriteBytes(listPath, bytes)) __builtin_trap();

  rastrel::InputMap inputs;
  rastrel::InputCollection collection{inputs, {}, {}};
  rastrel::BatchStatus status;
  rastrel::ImportList(collection, listPath, status);

  const rastrel::BatchProgress progress = status.Snapshot();
  if (progress.resultCount != static_cast<int>(inputs.size())) __builtin_trap();
  for (const rastrel::InputEntry& entry : inputs) {
    if (rastrel::FileSize(entry.path) <= 0) __builtin_trap();  // only files with content
  }
  return 0;
}
