// File type identification of any leading bytes, in memory and through a file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/signature.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view name = rastrel::IdentifyBytes(bytes);
  static const std::string path = rastrel::fuzzing::Sandbox() + "head.bin";
  if (!rastrel::fuzzing::WriteBytes(path, bytes)) __builtin_trap();
  // Only the first bytes decide, so the file and the memory must agree.
  if (rastrel::IdentifySignature(path) != name) __builtin_trap();
  return 0;
}
