// Writes the starting corpus of every fuzz target, made from the project's own fixtures and
// tables: fuzz_seeds <folder> fills <folder>/<target>/ with one file per seed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/signature.h"
#include "settings/image_options.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/vocabulary.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/damaged_tiffs.h"
#include "tests/support/odd_tiffs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace {

using namespace rastrel;
using Seeds = std::vector<std::string>;

// A value each kind of image option accepts.
std::string SampleValue(const ImageOption& option) {
  switch (option.kind) {
    case OptionValueKind::Number:
      return "12";
    case OptionValueKind::Decimal:
      return "1.5";
    case OptionValueKind::Keyword:
      return CodeToKeyword(option.keywordList, 1);
    case OptionValueKind::Text:
      return "\"two words\"";
    case OptionValueKind::Mask:
      return "\"%filename%_%n%.%ext%\"";
    case OptionValueKind::Switch:
      return {};
  }
  return {};
}

Seeds CommandLineSeeds() {
  Seeds seeds = {
      fuzzing::JoinFields({"-i", "a.tif", "-o", "out/", "--jpg-quality=80", "-d"}),
      fuzzing::JoinFields(
          {"--input=\"my", "scan.tif\"", "--output=\"out", "folder\"", "-c", "jpg", "-q", "-p"}),
      fuzzing::JoinFields({"--profile=p.ini", "-i", "list.txt", "--profile=\"missing", "file.ini\""}),
      fuzzing::JoinFields({"-T", "shots"}),
      fuzzing::JoinFields({"--HELP"}),
      fuzzing::JoinFields({"-i", "-o", "x"}),
  };
  // Every image option once, with a value of its kind, in both name forms.
  for (const ImageOption& option : ImageOptions()) {
    const std::string value = SampleValue(option);
    std::string parameter(ImageOptionName(option, OptionSource::CommandLine));
    if (!ImageOptionIsSwitch(option)) parameter += "=" + value;
    seeds.push_back(fuzzing::JoinFields({"-i", "a.tif", parameter, "-d"}));
  }
  return seeds;
}

Seeds IniSeeds() {
  Settings defaults;
  ApplyDefaults(defaults, false, 1'700'000'000, 1920, 1080);
  std::string profile = "\xEF\xBB\xBF[CLI]\r\n";
  for (const ImageOption& option : ImageOptions()) {
    profile +=
        std::string(ImageOptionName(option, OptionSource::Profile)) + " = " + SampleValue(option) + "\r\n";
  }
  return {
      SettingsFileText(defaults),
      profile,
      "[General]\nCFG=10\n[Advanced]\nFilename Mask=%filename%\n[Input]\nRAW Load As=2\nPSD Color Model=3\n",
      "[Output]\rJPG Quality=+Infinity\rJPG BPP=$18\r[output]\rJPG Quality=1\r",
      "; comment\n[Watermark\nText=caf\xE9 \xA9\nFont Size = 99999999999999999999\n",
      "[CLI]\n--resize-width\n--jpg-quality=-5\n--unknown=1\n[CLI]\n--jpg-quality=7\n",
  };
}

Seeds ListFileSeeds() {
  return {
      "a.tif\nsub\n",
      "\xEF\xBB\xBF  a.tif  \r\nsub/b.TIFF\r\nsub/deep\r\nnotes.txt\r\nempty.tif\r\nmissing.tif\r\n",
      "sub/deep/c.tiff\rsub/deep/c.tiff\r.\r",
      std::string("a.tif\0x\nsub\n", 13),
  };
}

Seeds SignatureSeeds() {
  Seeds seeds;
  for (const SignatureRow& row : SignatureTable()) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < row.pattern.size(); i += 3) {  // "4D 4D ?? 2A"
      const std::string pair(row.pattern.substr(i, 2));
      bytes += pair == "??" ? '\0' : static_cast<char>(std::stoi(pair, nullptr, 16));
    }
    seeds.push_back(bytes);
  }
  return seeds;
}

Seeds PlaceholderSeeds() {
  return {
      fuzzing::JoinFields({"%filename%.%ext%", "(c) %yyyy%", "scan.tif", "jpg"}),
      fuzzing::JoinFields({"%FILENAME[U]%_%n%_%rnd%.%Ext[T]%", "%width%x%height% %bpp% bpp%eol%page %frame%",
                           "Mixed Case.name.TIF", "jpg"}),
      fuzzing::JoinFields({"%filename[t]%-%frame%-%hh%%ii%%ss%.%ext[u]%", "%EOL%%eol%%", "%n%.tif", "jpeg"}),
      fuzzing::JoinFields({"", "no placeholders", "", ""}),
  };
}

std::string ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::string bytes;
  if (file == nullptr) return bytes;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

Seeds TiffSeeds() {
  using fixtures::PageKind;
  Seeds seeds;
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "seed.tif";
  for (PageKind kind :
       {PageKind::BilevelMinIsWhiteG4, PageKind::BilevelMinIsBlackG4, PageKind::Grey8, PageKind::Grey16,
        PageKind::Rgb24Lzw, PageKind::Rgb48, PageKind::Palette8, PageKind::Cmyk32}) {
    if (fixtures::WriteTiff(path, fixtures::PageSpec{kind, 24, 16})) seeds.push_back(ReadFile(path));
  }
  if (fixtures::WriteOldJpegTiff(path, {{16, 16}, {16, 8}})) seeds.push_back(ReadFile(path));
  for (const testing::OddTiffFamily& family : testing::OddTiffFamilies()) {
    if (family.write(path)) seeds.push_back(ReadFile(path));
  }
  for (const fixtures::NamedFile& file : fixtures::DamagedTiffs()) seeds.push_back(file.bytes);
  return seeds;
}

bool WriteSeeds(const std::string& root, const std::string& target, const Seeds& seeds) {
  const std::string folder = root + "/" + target + "/";
  std::filesystem::create_directories(folder);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    if (!fuzzing::WriteBytes(folder + "seed-" + std::to_string(i), seeds[i])) return false;
  }
  std::printf("%s: %zu seeds\n", target.c_str(), seeds.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  const bool ok = WriteSeeds(root, "command_line_fuzz", CommandLineSeeds()) &&
                  WriteSeeds(root, "ini_fuzz", IniSeeds()) &&
                  WriteSeeds(root, "list_file_fuzz", ListFileSeeds()) &&
                  WriteSeeds(root, "signature_fuzz", SignatureSeeds()) &&
                  WriteSeeds(root, "placeholder_fuzz", PlaceholderSeeds()) &&
                  WriteSeeds(root, "tiff_convert_fuzz", TiffSeeds());
  return ok ? 0 : 1;
}
