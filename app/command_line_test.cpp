#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using Params = std::vector<std::string>;

constexpr const char* kIncorrect = "Incorrect number of parameters";

TEST(ParamName, UpperCasesTheOptionPartOnly) {
  const struct {
    const char* parameter;
    const char* name;
  } cases[] = {
      {"--input=/in/a.tif", "--INPUT"},
      {"--Jpg-Quality=80", "--JPG-QUALITY"},
      {"-i", "-I"},
      {"  --width=5  ", "--WIDTH"},
      {"-i=x", "-I=X"},  // short options never carry a value
      {"photo.tif", ""},
      {"", ""},
      {"   ", ""},
      {"--", "--"},
      {"-", "-"},
      {"--=v", "--"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParamName(c.parameter), c.name) << '[' << c.parameter << ']';
}

TEST(ParamValue, TakesTextAfterTheFirstEqualsOfALongOption) {
  const struct {
    const char* parameter;
    const char* value;
  } cases[] = {
      {"--input=/in/a.tif", "/in/a.tif"},
      {"--filename-mask=a=b", "a=b"},
      {"--input=", ""},
      {"--input", "--input"},
      {"-i=x", "-i=x"},
      {" /tmp/x ", "/tmp/x"},
      {"--=v", "v"},
      {"--brightness=-20", "-20"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParamValue(c.parameter), c.value) << '[' << c.parameter << ']';
  const Params params{"-i", "a.tif"};
  EXPECT_EQ(ParamName(params, 2), "");
  EXPECT_EQ(ParamValue(params, 2), "");
  EXPECT_EQ(ParamValue(params, 1), "a.tif");
}

// Everything of a parse result except the settings, as "console | input=a.tif | quiet":
// only what differs from an empty command line, in a fixed order.
std::string Describe(const CommandLine& c) {
  static constexpr const char* kActions[] = {"", "uninstall", "screenshot", "version", "help"};
  std::vector<std::string> parts;
  if (c.action != FirstAction::None) parts.emplace_back(kActions[static_cast<int>(c.action)]);
  if (c.consoleRun) parts.emplace_back("console");
  if (!c.runMode.empty()) parts.push_back("mode=" + c.runMode);
  if (!c.inputText.empty()) parts.push_back("input=" + c.inputText);
  if (!c.outputText.empty()) parts.push_back("output=" + c.outputText);
  if (!c.conversionText.empty()) parts.push_back("conversion=" + c.conversionText);
  if (c.quiet) parts.emplace_back("quiet");
  if (c.pause) parts.emplace_back("pause");
  if (!c.screenshotFolder.empty()) parts.push_back("folder=" + c.screenshotFolder);
  if (!c.errorText.empty()) parts.push_back("error=" + c.errorText);
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : " | ") + part;
  return text;
}

struct Case {
  Params params;
  const char* outcome;
};

void ExpectOutcomes(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& p : c.params) line += '[' + p + ']';
    EXPECT_EQ(Describe(ParseCommandLine(c.params, Settings{})), c.outcome) << line;
  }
}

TEST(ParseCommandLine, CoreOptions) {
  ExpectOutcomes({
      {{}, ""},
      {{"-i", "photo.tif"}, "console | input=photo.tif"},
      {{"-I", "photo.tif"}, "console | input=photo.tif"},
      {{"--input=photo.tif"}, "console | input=photo.tif"},
      {{"--INPUT=photo.tif"}, "console | input=photo.tif"},
      {{"-i", "a.tif", "-o", "/out", "-c", "JPG"}, "console | input=a.tif | output=/out | conversion=JPG"},
      {{"--output=/out", "--conversion=jpg", "--input=/in/"},
       "console | input=/in/ | output=/out | conversion=jpg"},
      // Output alone is no console run.
      {{"-o", "/out"}, "output=/out"},
      // A later option overwrites an earlier one.
      {{"-i", "a.tif", "-i", "b.tif"}, "console | input=b.tif"},
      // Strays and unknown names are ignored; -h and -v act only in the first position.
      {{"photo.tif", "-x", "--nonsense=1", "-i", "a.tif", "-h", "-v"}, "console | input=a.tif"},
      // A short option carries no "=" value: "-i=x" is no option at all.
      {{"-i=x"}, ""},
      {{"-d", "-Q", "--pause", "-i", "x"}, "console | mode=DEBUG | input=x | quiet | pause"},
      {{"--debug", "--quiet", "-P", "-i", "x"}, "console | mode=DEBUG | input=x | quiet | pause"},
      {{"  -i  ", " a.tif "}, "console | input=a.tif"},
  });
}

TEST(ParseCommandLine, MissingCoreValuesStopTheWalk) {
  ExpectOutcomes({
      // The long form reads its own "=" part, so "--input x" reads "--input" itself.
      {{"--input", "photo.tif"}, "console | error=Incorrect number of parameters"},
      {{"-i"}, "console | error=Incorrect number of parameters"},
      {{"--input="}, "console | error=Incorrect number of parameters"},
      {{"-i", "-o", "/out"}, "console | error=Incorrect number of parameters"},
      {{"-i", "-"}, "console | error=Incorrect number of parameters"},
      {{"--input=-x"}, "console | error=Incorrect number of parameters"},
      {{"-o"}, "error=Incorrect number of parameters"},
      {{"-i", "a.tif", "-c"}, "console | input=a.tif | error=Incorrect number of parameters"},
      // Pause counts only when it came before the error; nothing after the error is applied.
      {{"-p", "-i"}, "console | pause | error=Incorrect number of parameters"},
      {{"-i", "-p"}, "console | error=Incorrect number of parameters"},
      {{"-o", "/a", "-i", "--quiet", "-o", "/b"},
       "console | output=/a | error=Incorrect number of parameters"},
  });
}

TEST(ParseCommandLine, QuotedStretchesAreJoined) {
  ExpectOutcomes({
      {{"-i", "\"my", "old", "scans\"", "-o", "/out"}, "console | input=my old scans | output=/out"},
      {{"--output=\"two", "words\"", "-i", "a"}, "console | input=a | output=two words"},
      // An unclosed quote takes everything up to the end.
      {{"-i", "\"open", "-q"}, "console | input=open -q"},
      {{"-i", "\"closed\"", "-q"}, "console | input=closed | quiet"},
      {{"-i", "\"\"a.tif\"\""}, "console | input=a.tif"},
      // The conversion type only loses its quotes; the rest stays separate parameters.
      {{"-c", "\"jpg", "x\"", "-i", "a"}, "console | input=a | conversion=jpg"},
  });
}

TEST(ParseCommandLine, FirstParameterActions) {
  ExpectOutcomes({
      {{"-v", "-i", "a.tif"}, "version"},
      {{"--VERSION"}, "version"},
      {{"-h"}, "help"},
      {{"-?", "-v"}, "help"},
      {{"--help=anything"}, "help"},
      {{"-U"}, "uninstall"},
      {{"-t", "/shots"}, "screenshot | mode=T | folder=/shots"},
      {{"-T"}, "screenshot | mode=T"},
      // Not first: ignored as unknown options.
      {{"-q", "-v"}, "quiet"},
      {{"-V=1"}, ""},
  });
}

TEST(ParseCommandLine, ImageOptionsFollowTheInlineValueRule) {
  const struct {
    Params params;
    const char* error;
    std::int32_t width;
    std::int32_t brightness;
    std::int8_t flip;
    std::string text;
  } cases[] = {
      {{"--width=800"}, "", 800, 0, 0, kDefaultWatermarkText},
      {{"--WIDTH=800", "--width=640"}, "", 640, 0, 0, kDefaultWatermarkText},
      {{"--width", "800"}, kIncorrect, 0, 0, 0, kDefaultWatermarkText},
      {{"--width="}, kIncorrect, 0, 0, 0, kDefaultWatermarkText},
      {{"--brightness=-20"}, "", 0, -20, 0, kDefaultWatermarkText},
      {{"--flip-horizontal=no"}, "", 0, 0, 1, kDefaultWatermarkText},
      {{"--flip-horizontal"}, "", 0, 0, 1, kDefaultWatermarkText},
      {{"--wm-text=--x"}, kIncorrect, 0, 0, 0, kDefaultWatermarkText},
      {{"--wm-text=-x"}, "", 0, 0, 0, "-x"},
      {{"--wm-text=\"Scanned", "by", "us\"", "--width=5"}, "", 5, 0, 0, "Scanned by us"},
      // The walk stops at the error: later options are not applied.
      {{"--width=1", "--height", "--brightness=5"}, kIncorrect, 1, 0, 0, kDefaultWatermarkText},
  };
  for (const auto& c : cases) {
    const CommandLine got = ParseCommandLine(c.params, Settings{});
    const std::string line = c.params.front();
    EXPECT_EQ(got.errorText, c.error) << line;
    EXPECT_EQ(got.settings.transform.imageWidth, c.width) << line;
    EXPECT_EQ(got.settings.adjustment.imageBrightness, c.brightness) << line;
    EXPECT_EQ(got.settings.transform.doImageFlipHorizontal, c.flip) << line;
    EXPECT_EQ(got.settings.watermark.text, c.text) << line;
    EXPECT_FALSE(got.consoleRun) << line;
  }
}

TEST(ParseCommandLine, ProfileTakesEffectAtItsPosition) {
  const fixtures::TempFolder folder;
  const std::string profile = folder.Write("my profile.ini", "[CLI]\n--JPG-QUALITY = 70\n--WIDTH = 50\n");
  const std::string spaced = profile.substr(0, profile.find(' '));  // ".../my"
  const struct {
    Params params;
    const char* error;
    std::int32_t quality;
    std::int32_t width;
  } cases[] = {
      {{"--jpg-quality=80", "--profile=" + profile}, "", 70, 50},
      {{"--profile=" + profile, "--jpg-quality=80"}, "", 80, 50},
      // The platform split the quoted path at its space.
      {{"--profile=\"" + spaced, "profile.ini\"", "--width=9"}, "", 70, 9},
      {{"--profile"}, kIncorrect, 95, 0},
      {{"--profile="}, kIncorrect, 95, 0},
      {{"--width=3", "--profile=" + folder.path() + "missing.ini", "--jpg-quality=10"},
       "Invalid profile file",
       95,
       3},
  };
  for (const auto& c : cases) {
    Settings start;
    const CommandLine got = ParseCommandLine(c.params, start);
    EXPECT_EQ(got.errorText, c.error) << c.params.front();
    EXPECT_EQ(got.settings.output.jpgQuality, c.quality) << c.params.front();
    EXPECT_EQ(got.settings.transform.imageWidth, c.width) << c.params.front();
  }
}

TEST(ParseCommandLine, StartsFromTheGivenSettingsAndReadsEveryParameter) {
  Settings start;
  start.output.jpgQuality = 33;
  start.transform.imageHeight = 7;
  Params params(300, "--jpg-quality=50");
  params.push_back("--height=90");
  params.push_back("-i");
  params.push_back("last.tif");
  const CommandLine got = ParseCommandLine(params, start);
  EXPECT_EQ(got.settings.output.jpgQuality, 50);
  EXPECT_EQ(got.settings.transform.imageHeight, 90);
  EXPECT_TRUE(got.consoleRun);
  EXPECT_EQ(got.inputText, "last.tif");
  EXPECT_EQ(ParseCommandLine({"-i", "a"}, start).settings.output.jpgQuality, 33);
}

}  // namespace
}  // namespace rastrel
