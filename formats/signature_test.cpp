#include "formats/signature.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

// The bytes a row tests, with untested bytes set to 0.
std::string BytesOf(std::string_view pattern) {
  std::string bytes;
  for (std::size_t i = 0; i < pattern.size(); i += 3) {
    bytes += pattern[i] == '?' ? '\0'
                               : static_cast<char>(std::stoi(std::string(pattern.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

TEST(Signature, EveryRowIsReachableAndNeedsAllItsBytes) {
  ASSERT_EQ(SignatureTable().size(), 79u);
  for (const SignatureRow& row : SignatureTable()) {
    const std::string bytes = BytesOf(row.pattern);
    EXPECT_EQ(IdentifyBytes(bytes), row.name) << row.pattern;
    // Whatever follows the pattern does not matter; only the first 20 bytes are looked at.
    EXPECT_EQ(IdentifyBytes(bytes + std::string(40, '\xAA')), row.name) << row.pattern;
    // One byte short, the row must not match (a short file never matches a longer pattern).
    EXPECT_NE(IdentifyBytes(bytes.substr(0, bytes.size() - 1)), row.name) << row.pattern;
  }
}

TEST(Signature, Cases) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    std::string_view name;
  };
  const Case cases[] = {
      {"II*\0\x10\0\0\0CR\x02\0"s, "CR2"},  // a CR2 also matches the TIFF (LE) row before it
      {"II*\0\x08\0\0\0"s, "TIFF (LE)"},
      {"MM\0*\0\0\0\x08"s, "TIFF (BE)"},
      {"\xFF\xD8\xFF\xE1\x12\x34"
       "Exif\0\0"s,
       "JPEG/EXIF"},
      {"\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x02"s, "JPEG/JFIF"},
      {"\xFF\xD8\xFF\xE0\0\x10JFIF\0\x02"s, "[ERROR] UNRECOGNIZED"},  // JFIF major version 2
      {"\xFF\xD8\xFF\xDB"s, "JPG"},
      {"BZh"s, "BZ2"},
      {"BM"s, "BMP"},
      {"B"s, "[ERROR] UNRECOGNIZED"},
      {""s, "[ERROR] UNRECOGNIZED"},
      {"ID3\x04"s, "MP3/ID3V2"},
      {"FLV\x01"s, "FLV"},
      {"RIFF\x24\0\0\0WAVEfmt "s, "WAV"},
      {"RIFF\x24\0\0\0WAV"s, "[ERROR] UNRECOGNIZED"},
      {"Rar!\x1A\x07\x01\0"s, "RAR (5.0+)"},
      {"\x01\x02\x03\x04"s, "[ERROR] UNRECOGNIZED"},
      {"\xFF"s, "[ERROR] UNRECOGNIZED"},
  };
  for (const Case& c : cases) EXPECT_EQ(IdentifyBytes(c.bytes), c.name) << c.bytes;
}

TEST(Signature, Files) {
  fixtures::TempFolder folder;
  const std::string tiff = folder.path() + "page.tif";
  ASSERT_TRUE(fixtures::WriteTiff(tiff, fixtures::PageSpec{}));
  EXPECT_EQ(IdentifySignature(tiff), "TIFF (LE)");
  EXPECT_EQ(IdentifySignature(folder.Write("short.bin", "BM")), "BMP");
  EXPECT_EQ(IdentifySignature(folder.Write("empty.tif", "")), "[ERROR] UNRECOGNIZED");
  EXPECT_EQ(IdentifySignature(folder.path() + "missing.tif"), "[ERROR] UNRECOGNIZED");
  EXPECT_EQ(IdentifySignature(folder.MakeFolder("sub")), "[ERROR] UNRECOGNIZED");
}

}  // namespace
}  // namespace rastrel
