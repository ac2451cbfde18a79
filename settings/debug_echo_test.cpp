#include "settings/debug_echo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace rastrel {
namespace {

Settings ConsoleDefaults() {
  Settings settings;
  ApplyDefaults(settings, true, 1000, 0, 0);
  return settings;
}

// Steps as one text each: lines as they print, checks marked so that a misplaced check shows.
std::vector<std::string> Render(const std::vector<EchoStep>& steps) {
  std::vector<std::string> out;
  for (const EchoStep& step : steps) {
    switch (step.kind) {
      case EchoStepKind::Line:
        out.push_back(step.text);
        break;
      case EchoStepKind::Refusal:
        out.push_back("refuse " + step.text);
        break;
      case EchoStepKind::DepthCheck:
        out.push_back("depth " + std::to_string(step.depth) + " " + step.text);
        break;
      case EchoStepKind::WatermarkFontCheck:
        out.push_back("font " + step.text);
        break;
      case EchoStepKind::WatermarkImageCheck:
        out.push_back("image " + step.text);
        break;
    }
  }
  return out;
}

TEST(SettingsEchoSteps, ConsoleDefaultsEchoOnlyTheAlwaysShownSettings) {
  const std::vector<std::string> expected = {
      "TIFF Frame Loading: all",
      "JPG BPP: 0",
      "JPG Quality: 95",
      "JPG Chroma Subsampling: none",
      "JPG Save As: standard",
      "depth 0 Error: Invalid jpg-bpp value",
      "Flip Horizontal: 0",
      "Flip Vertical: 0",
      "Greyscale: 0",
      "Frame: none",
      "Watermark: none",
      "Filename Mask: %filename%.%ext%",
      "File Timestamp: current",
      "Keep Subfolders: 1",
  };
  EXPECT_EQ(Render(SettingsEchoSteps(ConsoleDefaults(), "tiff", "jpg")), expected);
}

TEST(SettingsEchoSteps, EveryStageThatIsOnEchoesItsSettings) {
  Settings s = ConsoleDefaults();
  s.transform.doImageRotation = 1;
  s.transform.imageRotationType = 1;
  s.transform.imageRotation = 90;
  s.transform.imageRotationBackColor = "FF0000";
  s.transform.doImageResize = 1;
  s.transform.imageWidth = 50;
  s.transform.imageWidthUnit = 1;
  s.transform.imageHeight = -640;
  s.transform.imageResizeAlgorithm = 5;
  s.transform.doImageFlipVertical = 1;
  s.adjustment.doImageColorCorrection = 1;
  s.adjustment.imageBrightness = -100;
  s.adjustment.imageContrast = 100;
  s.adjustment.imageGamma = 2.345f;
  s.adjustment.doImageThreshold = 1;
  s.adjustment.imageThreshold = 128;
  s.adjustment.doImageDither = 1;
  s.adjustment.imageDitherAlgorithm = 6;
  s.frame.doFrame = 1;
  s.frame.solidLeft = 5;
  s.frame.solidTopColor = "00ff00";
  s.watermark.doWatermark = 1;
  s.watermark.text = "\"Sample\"";
  s.watermark.fontStyle = 3;
  s.watermark.fontEffect = 2;
  s.watermark.textXOffset = -3;
  s.advanced.fileTimestamp = 2;
  s.advanced.customTimestamp = 1700000000;
  s.advanced.keepSubfolders = 0;
  s.output.tiffCompression = 4;
  const std::vector<std::string> expected = {
      "TIFF BPP: 0",
      "TIFF Compression: b44",
      "TIFF Color Mode: rgb",
      "depth 0 Error: Invalid tiff-bpp value",
      "Image Rotation Type: advanced",
      "Image Rotation: 90",
      "Image Rotation Back Color: FF0000",
      "Width: 50 percent",
      "Height: -640 pixels",
      "Keep Aspect Ratio: 0",
      "Image Resize Type: allimages",
      "Image Resize Algorithm: lanczos",
      "Flip Horizontal: 0",
      "Flip Vertical: 1",
      "Brightness: -100",
      "Contrast: 100",
      "Gamma: 2.35",
      "Invert: 0",
      "Greyscale: 0",
      "Image Threshold: 128",
      "Image Dithering Algorithm: cluster16",
      "Frame: solid",
      "Frame left: 5",
      "Frame right: 0",
      "Frame top: 0",
      "Frame bottom: 0",
      "Frame left color: 000000",
      "Frame right color: 000000",
      "Frame top color: 00ff00",
      "Frame bottom color: 000000",
      "Frame opacity: 255",
      "Watermark: text",
      "Watermark text: \"Sample\"",
      "Watermark font: Arial",
      "Watermark font size: 14",
      "Watermark font leading: 0",
      "Watermark font color: FFFFFF",
      "Watermark font style: bolditalic",
      "Watermark font effect: strikethrought",
      "Watermark text antialiasing: 0",
      "Watermark text alignment: left",
      "Watermark text padding: 0",
      "Watermark text opacity: 255",
      "Watermark background color: 000000",
      "Watermark background opacity: 1",
      "Watermark boundary: image",
      "Watermark position: bottomright",
      "Watermark offset (x/y): -3/10",
      "Watermark rotation: 0",
      "Watermark size/mode: fixed",
      "font Error: Invalid watermark font",
      "Filename Mask: %filename%.%ext%",
      "File Timestamp: custom",
      "Custom Timestamp: 1700000000",
      "Keep Subfolders: 0",
  };
  // The family has no echo of its own here: only the output format's lines lead.
  EXPECT_EQ(Render(SettingsEchoSteps(s, "bmp", "tiff")), expected);
}

TEST(SettingsEchoSteps, ImageWatermarkEchoesItsSettingsThenAsksForTheFile) {
  Settings s = ConsoleDefaults();
  s.watermark.doWatermark = 2;
  s.watermark.image = "/tmp/logo.png";
  s.watermark.imageGreyscale = 1;
  s.watermark.imageRotation = 45;
  const std::vector<std::string> steps = Render(SettingsEchoSteps(s, "tiff", "jpg"));
  const std::vector<std::string> tail(steps.end() - 14, steps.end());
  const std::vector<std::string> expected = {
      "Watermark: image",
      "Watermark image: /tmp/logo.png",
      "Watermark greyscale: 1",
      "Watermark opacity: 255",
      "Watermark boundary: image",
      "Watermark position: bottomright",
      "Watermark offset (x/y): 10/10",
      "Watermark rotation: 45",
      "Watermark size/mode: fixed",
      "image Error: Invalid watermark image",
      "Filename Mask: %filename%.%ext%",
      "File Timestamp: current",
      "Keep Subfolders: 1",
  };
  EXPECT_EQ(std::vector<std::string>(tail.begin() + 1, tail.end()), expected);
}

TEST(SettingsEchoSteps, TheFirstRefusedValueEndsTheEcho) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* type;
    std::function<void(Settings&)> change;
    const char* lastLine;  // the line just before the refusal; empty when none is refused
    const char* refusal;
  } cases[] = {
      {"jpg", [](Settings& s) { s.output.jpgQuality = 0; }, "depth 0 Error: Invalid jpg-bpp value",
       "Error: Invalid jpg-quality value"},
      {"jpg", [](Settings& s) { s.output.jpgQuality = 101; }, "depth 0 Error: Invalid jpg-bpp value",
       "Error: Invalid jpg-quality value"},
      {"jpg", [](Settings& s) { s.output.jpgQuality = 1; }, "", ""},
      {"webp", [](Settings& s) { s.output.webpQuality = 0; }, "depth 0 Error: Invalid webp-bpp value",
       "Error: Invalid webp-quality value"},
      {"webp", [](Settings& s) { s.output.jpgQuality = 0; }, "", ""},
      {"jpg", [](Settings& s) { s.transform.doImageResize = 1; }, "Width: 0 pixels",
       "Error: Invalid width value"},
      {"jpg",
       [](Settings& s) {
         s.transform.doImageResize = 1;
         s.transform.imageWidth = 800;
       },
       "Height: 0 pixels", "Error: Invalid height value"},
      {"jpg", [](Settings& s) { s.transform.imageWidth = 0; }, "", ""},  // resize off: nothing judged
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageBrightness = 101;
       },
       "Brightness: 101", "Error: Invalid brightness value"},
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageContrast = -101;
       },
       "Contrast: -101", "Error: Invalid contrast value"},
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageGamma = 10.0f;
       },
       "Gamma: 10.00", "Error: Invalid gamma value"},
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageGamma = 0.009f;
       },
       "Gamma: 0.01", "Error: Invalid gamma value"},
      {"jpg",
       [nan](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageGamma = nan;
       },
       "Gamma: nan", "Error: Invalid gamma value"},
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageGamma = 0.01f;
         s.adjustment.imageBrightness = -100;
       },
       "", ""},
      {"jpg",
       [](Settings& s) {
         s.adjustment.doImageColorCorrection = 1;
         s.adjustment.imageGamma = 9.99f;
       },
       "", ""},
      {"jpg", [](Settings& s) { s.adjustment.imageGamma = 0.0f; }, "", ""},  // correction off
  };
  for (const Case& c : cases) {
    Settings s = ConsoleDefaults();
    c.change(s);
    const std::vector<EchoStep> steps = SettingsEchoSteps(s, "tiff", c.type);
    const std::vector<std::string> rendered = Render(steps);
    ASSERT_FALSE(steps.empty());
    if (*c.refusal == '\0') {
      for (const EchoStep& step : steps) EXPECT_NE(step.kind, EchoStepKind::Refusal) << step.text;
      EXPECT_EQ(rendered.back(), "Keep Subfolders: 1");
      continue;
    }
    ASSERT_GE(rendered.size(), 2u);
    EXPECT_EQ(rendered.back(), std::string("refuse ") + c.refusal);
    EXPECT_EQ(rendered[rendered.size() - 2], c.lastLine) << c.refusal;
  }
}

TEST(SettingsEchoSteps, CodesWithoutAKeywordPrintNothingAfterTheLabel) {
  Settings s = ConsoleDefaults();
  s.output.jpgChroma = 9;
  s.frame.doFrame = 2;  // no solid frame: its settings stay unechoed
  s.watermark.doWatermark = -1;
  const std::vector<std::string> steps = Render(SettingsEchoSteps(s, "tiff", "jpg"));
  EXPECT_EQ(steps[3], "JPG Chroma Subsampling: ");
  EXPECT_EQ(steps[9], "Frame: ");
  EXPECT_EQ(steps[10], "Watermark: ");
  EXPECT_EQ(steps[11], "Filename Mask: %filename%.%ext%");
}

TEST(SettingsEchoSteps, EveryOutputTypeLeadsWithItsDepthAndChecksIt) {
  const char* types[] = {"bmp", "dds", "exr", "gif",  "hdr",  "ico",  "j2k", "jng",
                         "jp2", "jpg", "jxr", "pbm",  "pcx",  "pfm",  "pgm", "png",
                         "ppm", "psd", "tga", "tiff", "wbmp", "webp", "xpm"};
  for (const char* type : types) {
    const std::vector<EchoStep> steps = SettingsEchoSteps(ConsoleDefaults(), "none", type);
    std::string upper(type);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_FALSE(steps.empty()) << type;
    EXPECT_EQ(steps.front().text, upper + " BPP: 0");
    int depthChecks = 0;
    for (const EchoStep& step : steps) {
      if (step.kind != EchoStepKind::DepthCheck) continue;
      ++depthChecks;
      EXPECT_EQ(step.text, "Error: Invalid " + std::string(type) + "-bpp value");
    }
    EXPECT_EQ(depthChecks, 1) << type;
  }
  // A type outside the table has no depth to echo or check.
  for (const EchoStep& step : SettingsEchoSteps(ConsoleDefaults(), "tiff", "xyz")) {
    EXPECT_EQ(step.kind, EchoStepKind::Line);
  }
}

}  // namespace
}  // namespace rastrel
