#include "formats/format_registry.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <string_view>

namespace rastrel {
namespace {

TEST(FormatRegistry, TablesHoldEveryFormatOnce) {
  const FormatRegistry& registry = ProductRegistry();
  const auto& inputs = registry.InputExtensions();
  EXPECT_EQ(inputs.size(), 79u);
  EXPECT_EQ(std::set<std::string>(inputs.begin(), inputs.end()).size(), 79u);
  std::set<std::string> families;
  for (const std::string& extension : inputs) families.insert(registry.Input(extension).family);
  EXPECT_EQ(families.size(), 16u);
  // Every family is named after one of its own extensions.
  for (const std::string& family : families) EXPECT_EQ(registry.Input(family).family, family);

  const auto& outputs = registry.OutputExtensions();
  EXPECT_EQ(outputs.size(), 20u);
  std::set<std::int32_t> ids;
  for (const std::string& extension : outputs) {
    const OutputFormat& format = registry.Output(extension);
    EXPECT_EQ(format.extension, extension);
    EXPECT_FALSE(format.description.empty()) << extension;
    EXPECT_FALSE(format.depths.empty()) << extension;
    ids.insert(format.formatId);
    EXPECT_NE(DepthSettingField(extension), nullptr) << extension;
  }
  EXPECT_EQ(ids.size(), 20u);
}

TEST(FormatRegistry, InputLookups) {
  struct Case {
    std::string_view extension, family, description;
  };
  const Case cases[] = {
      {"tif", "tiff", "Tagged Image File Format"},
      {"tiff", "tiff", "Tagged Image File Format"},
      {"apm", "wmf", "Aldus Placeable Metafile"},
      {"wmz", "wmf", "Windows Metafile Format"},
      {"dcs", "raw", "Kodak Camera RAW Image"},
      {"3fr", "raw", "Hasselblad Camera RAW Image"},
      {"jif", "jpg", "JPEG File"},
      {"TIF", "", ""},  // keys are exact: callers lower-case first
      {"xyz", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const InputFormat& format = ProductRegistry().Input(c.extension);
    EXPECT_EQ(format.family, c.family) << c.extension;
    EXPECT_EQ(format.description, c.description) << c.extension;
  }
}

TEST(FormatRegistry, OutputFormatIdsAndDepths) {
  struct Case {
    std::string_view extension;
    std::int32_t formatId;
    std::string_view allowedDepths;
  };
  // The numbers are what the image library expects in its save call.
  const Case cases[] = {
      {"bmp", 0, "1,4,8,16,24,32"},
      {"exr", 29, "96"},
      {"gif", 25, "8"},
      {"hdr", 26, "96"},
      {"ico", 1, "1,4,8,16,24,32"},
      {"j2k", 30, "8,24,32,48"},
      {"jng", 3, "24,32"},
      {"jp2", 31, "8,24,32,48"},
      {"jpg", 2, "8,24"},
      {"jxr", 36, "1,8,16,24,32,48,96"},
      {"pbm", 7, "1"},
      {"pfm", 32, "96"},
      {"pgm", 11, "8"},
      {"png", 13, "1,4,8,24,32,48"},
      {"ppm", 14, "24,48"},
      {"tga", 17, "8,16,24,32"},
      {"tiff", 18, "1,4,8,24,32,48,96"},
      {"wbmp", 19, "1"},
      {"webp", 35, "24,32"},
      {"xpm", 23, "24"},
      {"dds", 0, ""},
      {"psd", 0, ""},
      {"JPG", 0, ""},
  };
  for (const Case& c : cases) {
    const OutputFormat& format = ProductRegistry().Output(c.extension);
    EXPECT_EQ(format.formatId, c.formatId) << c.extension;
    EXPECT_EQ(format.allowedDepths, c.allowedDepths) << c.extension;
  }
}

TEST(FormatRegistry, ProductOperations) {
  EXPECT_EQ(ProductRegistry().AcceptedInputExtensions(), (std::vector<std::string>{"tiff", "tif"}));

  struct Case {
    std::string_view text;
    bool accepted, productOutput;
  };
  const Case cases[] = {
      {"tif", true, false}, {"tiff", true, false}, {"TIF", false, false}, {"bak", false, false},
      {"jpg", false, true}, {"JPG", false, false}, {"png", false, false}, {"", false, false},
      {"ti", false, false}, {"jp", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAcceptedExtension(c.text), c.accepted) << c.text;
    EXPECT_EQ(IsProductOutputFormat(c.text), c.productOutput) << c.text;
  }
}

TEST(FormatRegistry, DepthAllowed) {
  struct Case {
    std::string_view extension;
    int depth;
    bool allowed;
  };
  const Case cases[] = {
      {"jpg", 0, true},  {"jpg", 8, true},  {"jpg", 24, true},  {"jpg", 16, false}, {"jpg", 2, false},
      {"jpg", 4, false}, {"gif", 8, true},  {"gif", 24, false}, {"pbm", 1, true},   {"pbm", 8, false},
      {"wbmp", 1, true}, {"xpm", 24, true}, {"xpm", 8, false},  {"tiff", 96, true}, {"dds", 0, true},
      {"dds", 8, false}, {"xyz", 0, true},  {"xyz", 24, false}, {"jpg", -8, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsDepthAllowed(c.extension, c.depth), c.allowed) << c.extension << c.depth;
}

TEST(FormatRegistry, LabelsAndChoices) {
  EXPECT_EQ(OutputFormatLabel("jpg"), "JPG (JPEG File Format)");
  EXPECT_EQ(OutputFormatLabel("webp"), "WEBP (Google WebP Image Format)");
  EXPECT_EQ(DepthChoices("jpg", "Auto"), (std::vector<std::string>{"Auto", "8", "24"}));
  EXPECT_EQ(DepthChoices("psd", "Auto"), (std::vector<std::string>{"Auto"}));
}

TEST(FormatRegistry, InputFilterString) {
  EXPECT_EQ(InputFilterString("All Supported Files", "All Files"),
            "All Supported Files|*.tiff;*.tif|Tagged Image File Format|*.tif;*.tiff|All Files (*.*)|*.*");

  // Another member of the family: each description once, with all of its patterns, the
  // later extension in front.
  constexpr std::array<std::string_view, 2> families{"wmf", "tiff"};
  constexpr std::array<std::string_view, 1> outputs{"png"};
  const FormatRegistry other(families, outputs);
  EXPECT_EQ(other.AcceptedInputExtensions(), (std::vector<std::string>{"wmf", "wmz", "apm", "tiff", "tif"}));
  EXPECT_EQ(other.InputFilterString("All", "Any"),
            "All|*.wmf;*.wmz;*.apm;*.tiff;*.tif|Windows Metafile Format|*.wmz;*.wmf|"
            "Aldus Placeable Metafile|*.apm|Tagged Image File Format|*.tif;*.tiff|Any (*.*)|*.*");
  EXPECT_TRUE(other.IsProductOutputFormat("png"));
  EXPECT_FALSE(other.IsProductOutputFormat("jpg"));
}

TEST(FormatRegistry, PrepareConversionTarget) {
  OutputSettings output;
  output.jpgBpp = 24;
  output.ddsBpp = 8;
  output.tiffBpp = 0;

  struct Case {
    std::string_view extension;
    std::int32_t formatId, depth, saveFlags;
    bool automatic;
  };
  // Each case starts from a target left by an earlier batch: depth 32, flags 7.
  const Case cases[] = {
      {"jpg", 2, 24, 0x1080, false}, {"tiff", 18, 0, 0x1080, true},
      {"dds", 0, 8, 0x1080, false},  // has a depth setting but cannot be written
      {"xyz", 0, 32, 7, false},      // no depth setting: depth and flags stay
      {"JPG", 0, 32, 7, false},      // the caller lower-cases
  };
  for (const Case& c : cases) {
    ConversionTarget target{"old", 99, 32, true, 7};
    PrepareConversionTarget(target, c.extension, output, 0x1080);
    EXPECT_EQ(target.extension, c.extension);
    EXPECT_EQ(target.formatId, c.formatId) << c.extension;
    EXPECT_EQ(target.depth, c.depth) << c.extension;
    EXPECT_EQ(target.saveFlags, c.saveFlags) << c.extension;
    EXPECT_EQ(target.automatic, c.automatic) << c.extension;
  }

  ConversionTarget target{"jpg", 2, 24, false, 5};
  ResetConversionTarget(target);
  EXPECT_EQ(target.extension, "");
  EXPECT_EQ(target.formatId + target.depth + target.saveFlags, 0);
  EXPECT_FALSE(target.automatic);
}

TEST(FormatRegistry, DepthSettingFields) {
  EXPECT_EQ(DepthSettingField("jpg"), &OutputSettings::jpgBpp);
  EXPECT_EQ(DepthSettingField("pcx"), &OutputSettings::pcxBpp);
  EXPECT_EQ(DepthSettingField("tif"), nullptr);  // an input extension, not a writable one
  EXPECT_EQ(DepthSettingField(""), nullptr);
  std::vector<std::string> extensions = ProductRegistry().OutputExtensions();
  extensions.insert(extensions.end(), {"dds", "pcx", "psd"});
  ASSERT_EQ(extensions.size(), 23u);
  for (std::size_t i = 0; i < extensions.size(); ++i) {
    for (std::size_t j = i + 1; j < extensions.size(); ++j) {
      EXPECT_NE(DepthSettingField(extensions[i]), DepthSettingField(extensions[j]))
          << extensions[i] << " " << extensions[j];
    }
  }
}

}  // namespace
}  // namespace rastrel
