#include "settings/image_options.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <set>
#include <string>
#include <variant>

#include "settings/settings.h"
#include "settings/vocabulary.h"

namespace rastrel {
namespace {

Settings ConsoleDefaults() {
  Settings settings;
  ApplyDefaults(settings, true, 1000, 0, 0);
  return settings;
}

const ImageOption& Option(std::string_view name) {
  const ImageOption* option = FindImageOption(name);
  EXPECT_NE(option, nullptr) << name;
  return option != nullptr ? *option : ImageOptions().front();
}

void Apply(Settings& settings, std::string_view name, std::string_view value,
           OptionSource source = OptionSource::CommandLine) {
  ApplyImageOption(Option(name), value, settings, source);
}

TEST(ImageOptions, NamesAreUniqueUpperCaseAndFoundUnderTheirSource) {
  ASSERT_EQ(ImageOptions().size(), 105u);
  std::set<std::string_view> commandLine, profile;
  int renamed = 0;
  for (const ImageOption& option : ImageOptions()) {
    EXPECT_TRUE(commandLine.insert(option.name).second) << option.name;
    EXPECT_TRUE(profile.insert(ImageOptionName(option, OptionSource::Profile)).second) << option.name;
    EXPECT_EQ(option.name.substr(0, 2), "--");
    for (char c : option.name) EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << option.name;
    EXPECT_EQ(FindImageOption(option.name), &option);
    EXPECT_EQ(FindProfileOption(ImageOptionName(option, OptionSource::Profile)), &option);
    if (!option.profileName.empty()) {
      ++renamed;
      // The profile knows the frame opacity only under its own key, and the command line
      // does not know that key.
      EXPECT_EQ(FindProfileOption(option.name), nullptr);
      EXPECT_EQ(FindImageOption(option.profileName), nullptr);
    }
  }
  EXPECT_EQ(renamed, 1);
  for (std::string_view other :
       {"--INPUT", "-I", "--PROFILE", "--DEBUG", "--HELP", "--jpg-quality", "", "--"}) {
    EXPECT_EQ(FindImageOption(other), nullptr) << other;
    EXPECT_EQ(FindProfileOption(other), nullptr) << other;
  }
}

TEST(ImageOptions, KindsMatchTheValueRules) {
  int text = 0, switches = 0, decimals = 0, keywords = 0;
  for (const ImageOption& option : ImageOptions()) {
    text += ImageOptionTakesText(option);
    switches += ImageOptionIsSwitch(option);
    decimals += option.kind == OptionValueKind::Decimal;
    if (option.kind == OptionValueKind::Keyword) {
      ++keywords;
      EXPECT_FALSE(KeywordList(option.keywordList).empty()) << option.name;
      EXPECT_NE(option.keywordList, kFrameKindList) << option.name;
      EXPECT_NE(option.keywordList, kWatermarkKindList) << option.name;
    }
    if (option.kind == OptionValueKind::Switch) {
      EXPECT_TRUE(std::holds_alternative<FieldAccess<std::int8_t>>(option.field)) << option.name;
    }
  }
  EXPECT_EQ(text, 11);  // colours, texts, the font, the watermark image and the mask
  EXPECT_EQ(switches, 9);
  EXPECT_EQ(decimals, 1);
  EXPECT_EQ(keywords, 32);
}

// Integer fields come in two widths; the test writes the expected value into either.
void SetInteger(const SettingField& field, Settings& settings, std::int64_t value) {
  if (const auto* wide = std::get_if<FieldAccess<std::int32_t>>(&field)) {
    wide->get(settings) = ToInt32(value);
  } else {
    std::get<FieldAccess<std::int8_t>>(field).get(settings) = ToInt8(value);
  }
}

std::int64_t GetInteger(const SettingField& field, const Settings& settings) {
  if (const auto* wide = std::get_if<FieldAccess<std::int32_t>>(&field)) return wide->read(settings);
  return std::get<FieldAccess<std::int8_t>>(field).read(settings);
}

// Applies every option on its own and checks that it writes exactly its field and its stage
// flag, nothing else.
TEST(ImageOptions, EveryOptionWritesItsFieldAndSwitchesItsStage) {
  for (const ImageOption& option : ImageOptions()) {
    SCOPED_TRACE(std::string(option.name));
    const Settings defaults = ConsoleDefaults();
    Settings actual = defaults;
    Settings expected = defaults;
    std::string value;
    switch (option.kind) {
      case OptionValueKind::Number:
        value = " $2A";
        SetInteger(option.field, expected, 42);
        break;
      case OptionValueKind::Decimal:
        value = "2.5";
        std::get<FieldAccess<float>>(option.field).get(expected) = 2.5f;
        break;
      case OptionValueKind::Keyword: {
        // A keyword other than the default's, where the list has one.
        KeywordEntry pick = KeywordList(option.keywordList).front();
        for (const KeywordEntry& entry : KeywordList(option.keywordList)) {
          if (entry.code != GetInteger(option.field, defaults)) pick = entry;
        }
        value = " " + std::string(pick.keyword) + "\t";
        SetInteger(option.field, expected, pick.code);
        break;
      }
      case OptionValueKind::Text:
      case OptionValueKind::Mask:
        value = "\"Ab c\"";
        std::get<FieldAccess<std::string>>(option.field).get(expected) = "Ab c";
        break;
      case OptionValueKind::Switch:
        value = "0";  // a switch ignores its value
        SetInteger(option.field, expected, option.switchValue);
        break;
    }
    if (option.stage.get != nullptr) option.stage.get(expected) = option.stageValue;
    ApplyImageOption(option, value, actual, OptionSource::CommandLine);
    EXPECT_TRUE(actual == expected);
    // The option must change something (a switch to its default would be a dead entry),
    // unless its list has no second keyword.
    if (option.kind != OptionValueKind::Keyword || KeywordList(option.keywordList).size() > 1) {
      EXPECT_FALSE(actual == defaults);
    }
  }
}

const void* FieldAddress(const SettingField& field, const Settings& settings) {
  return std::visit([&](const auto& access) -> const void* { return &access.read(settings); }, field);
}

TEST(ImageOptions, EachOptionOwnsOneField) {
  const Settings s = ConsoleDefaults();
  std::set<const void*> fields;
  for (const ImageOption& option : ImageOptions()) {
    EXPECT_TRUE(fields.insert(FieldAddress(option.field, s)).second) << option.name << " shares its field";
  }
}

TEST(ImageOptions, OnlyTheseOptionsSwitchAStageOn) {
  Settings s;
  struct Case {
    const char* name;
    const std::int8_t* flag;
    std::int8_t value;
  } cases[] = {
      {"--ROTATION", &s.transform.doImageRotation, 1},
      {"--WIDTH", &s.transform.doImageResize, 1},
      {"--HEIGHT", &s.transform.doImageResize, 1},
      {"--BRIGHTNESS", &s.adjustment.doImageColorCorrection, 1},
      {"--CONTRAST", &s.adjustment.doImageColorCorrection, 1},
      {"--GAMMA", &s.adjustment.doImageColorCorrection, 1},
      {"--INVERT", &s.adjustment.doImageColorCorrection, 1},
      {"--THRESHOLD", &s.adjustment.doImageThreshold, 1},
      {"--DITHER", &s.adjustment.doImageDither, 1},
      {"--FR-SOLID-LEFT", &s.frame.doFrame, 1},
      {"--FR-SOLID-RIGHT", &s.frame.doFrame, 1},
      {"--FR-SOLID-TOP", &s.frame.doFrame, 1},
      {"--FR-SOLID-BOTTOM", &s.frame.doFrame, 1},
      {"--WM-TEXT", &s.watermark.doWatermark, 1},
      {"--WM-IMAGE", &s.watermark.doWatermark, 2},
  };
  std::size_t staged = 0;
  for (const ImageOption& option : ImageOptions()) staged += option.stage.get != nullptr;
  EXPECT_EQ(staged, std::size(cases));
  for (const Case& c : cases) {
    const ImageOption& option = Option(c.name);
    ASSERT_NE(option.stage.get, nullptr) << c.name;
    EXPECT_EQ(&option.stage.read(s), c.flag) << c.name;
    EXPECT_EQ(option.stageValue, c.value) << c.name;
  }
}

TEST(ImageOptions, StagesFollowTheLastOptionAndAreNeverSwitchedOff) {
  Settings s = ConsoleDefaults();
  Apply(s, "--DITHER", "none");  // NONE is no dither keyword: Floyd-Steinberg, and dithering on
  EXPECT_EQ(s.adjustment.doImageDither, 1);
  EXPECT_EQ(s.adjustment.imageDitherAlgorithm, 0);
  Apply(s, "--DITHER", "bayer8");
  EXPECT_EQ(s.adjustment.imageDitherAlgorithm, 2);

  Apply(s, "--WM-TEXT", "Sample");
  Apply(s, "--WM-IMAGE", "logo.png");
  EXPECT_EQ(s.watermark.doWatermark, 2);
  Apply(s, "--WM-TEXT", "Sample");
  EXPECT_EQ(s.watermark.doWatermark, 1);
  EXPECT_EQ(s.watermark.image, "logo.png");

  Apply(s, "--INVERT", "0");
  EXPECT_EQ(s.adjustment.imageInvert, 1);
  EXPECT_EQ(s.adjustment.doImageColorCorrection, 1);
  Apply(s, "--GAMMA", "1.5");
  EXPECT_EQ(s.adjustment.imageBrightness, 0);
  EXPECT_EQ(s.adjustment.imageContrast, 0);

  Apply(s, "--NO-SUBFOLDERS", "1");
  EXPECT_EQ(s.advanced.keepSubfolders, 0);
  Apply(s, "--NO-SUBFOLDERS", "0");
  EXPECT_EQ(s.advanced.keepSubfolders, 0);

  Apply(s, "--FR-SOLID-LEFT", "0");  // a zero width still switches the frame on
  EXPECT_EQ(s.frame.doFrame, 1);
}

TEST(ImageOptions, NumbersAreStoredInTheFieldWidth) {
  struct Case {
    const char* name;
    const char* value;
    std::int32_t stored;
  } cases[] = {
      {"--JPG-QUALITY", "$5A", 90},
      {"--WIDTH", "%1010", 10},
      {"--WIDTH", "12px", 12},
      {"--WIDTH", "abc", 0},
      {"--BRIGHTNESS", "-20", -20},
      {"--HEIGHT", "4294967297", 1},
      {"--WM-TEXT-ROTATION", "-$10", -16},
      {"--FILE-TIMESTAMP-CUSTOM", "1700000000", 1700000000},
  };
  for (const Case& c : cases) {
    Settings s = ConsoleDefaults();
    const ImageOption& option = Option(c.name);
    ApplyImageOption(option, c.value, s, OptionSource::CommandLine);
    EXPECT_EQ(std::get<FieldAccess<std::int32_t>>(option.field).get(s), c.stored) << c.name << "=" << c.value;
  }
}

TEST(ImageOptions, GammaIsReadWithADotWhateverFollows) {
  Settings s = ConsoleDefaults();
  Apply(s, "--GAMMA", "2,2");
  EXPECT_EQ(s.adjustment.imageGamma, 2.0f);
  Apply(s, "--GAMMA", "-Infinity");
  EXPECT_EQ(s.adjustment.imageGamma, -std::numeric_limits<float>::infinity());
}

TEST(ImageOptions, TextKeepsItsQuotesOnlyInAProfile) {
  struct Case {
    const char* name;
    OptionSource source;
    const char* value;
    const char* stored;
  } cases[] = {
      {"--WM-TEXT", OptionSource::CommandLine, "\"Hello world\"", "Hello world"},
      {"--WM-TEXT", OptionSource::Profile, "\"Hello world\"", "\"Hello world\""},
      {"--WM-TEXT", OptionSource::Profile, "  padded ", "  padded "},
      {"--FILENAME-MASK", OptionSource::CommandLine, "\"%filename%\"", "%filename%"},
      {"--FILENAME-MASK", OptionSource::Profile, "\"\"%filename%_x\"", "%filename%_x"},
      {"--WM-IMAGE", OptionSource::CommandLine, "\"/tmp/a b.png\"", "/tmp/a b.png"},
  };
  for (const Case& c : cases) {
    Settings s = ConsoleDefaults();
    const ImageOption& option = Option(c.name);
    ApplyImageOption(option, c.value, s, c.source);
    EXPECT_EQ(std::get<FieldAccess<std::string>>(option.field).get(s), c.stored) << c.name << " " << c.value;
  }
}

}  // namespace
}  // namespace rastrel
