#include "tests/fuzz/fuzz_support.h"

#include <fstream>
#include <memory>

#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel::fuzzing {

std::vector<std::string> SplitFields(const std::uint8_t* data, std::size_t size, std::size_t maxFields) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> fields;
  std::size_t from = 0;
  while (fields.size() + 1 < maxFields) {
    const std::size_t nul = bytes.find('\0', from);
    if (nul == std::string_view::npos) break;
    fields.emplace_back(bytes.substr(from, nul - from));
    from = nul + 1;
  }
  fields.emplace_back(bytes.substr(from));
  return fields;
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined += '\0';
    joined += fields[i];
  }
  return joined;
}

const std::string& Sandbox() {
  // Never destroyed before exit: libFuzzer may end the process from any thread.
  static const std::unique_ptr<fixtures::TempFolder> folder = [] {
    auto made = std::make_unique<fixtures::TempFolder>();
    using fixtures::PageKind;
    fixtures::WriteTiff(made->path() + "a.tif", fixtures::PageSpec{PageKind::Rgb24Lzw, 16, 12});
    fixtures::WriteTiff(made->MakeFolder("sub") + "b.TIFF", fixtures::PageSpec{PageKind::Grey8, 16, 12});
    fixtures::WriteTiff(made->MakeFolder("sub/deep") + "c.tiff",
                        fixtures::PageSpec{PageKind::Palette8, 16, 12});
    made->Write("notes.txt", "not an image\n");
    made->Write("empty.tif", "");
    made->Write("p.ini", "[CLI]\n--jpg-quality=50\n--resize-width=10\n");
    return made;
  }();
  return folder->path();
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace rastrel::fuzzing
