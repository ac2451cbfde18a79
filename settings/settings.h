// The settings record: every option of a conversion plus the window state kept between
// runs. A batch reads it without locks, so nothing may change it while a batch runs.
#pragma once

#include <cstdint>
#include <string>

namespace rastrel {

using Flag = std::int8_t;  // 0 off, 1 on
using Code8 = std::int8_t;  // position in a keyword list
using Date = std::int32_t;  // seconds since 1970-01-01 00:00:00 counted in local time
using Colour = std::string;  // "RRGGBB"

struct GeneralSettings {
  std::int32_t cfg = 19;
  std::string language = "en";
  std::int32_t updateRange = 2;
  Date updateDate = 0;
  Flag saveWindowPosition = 1;

  bool operator==(const GeneralSettings&) const = default;
};

struct WindowSettings {
  Flag isMaximized = 0;
  std::int32_t x = 100;
  std::int32_t y = 100;
  std::int32_t width = 510;
  std::int32_t height = 330;

  bool operator==(const WindowSettings&) const = default;
};

struct InterfaceSettings {
  std::string uiTheme = "handdrawn";
  std::int32_t uiSize = 2;

  bool operator==(const InterfaceSettings&) const = default;
};

struct InputSettings {
  std::string format;
  std::int32_t ddsLoadAs = 0;
  std::int32_t gifFrameLoading = 0;
  std::int32_t icoFrameLoading = 0;
  std::int32_t tiffFrameLoading = 0;
  std::int32_t psdColorMode = 0;
  std::int32_t rawLoadAs = 0;
  std::int32_t rawHeaderSize = 0;
  std::int32_t rawImageWidth = 0;
  std::int32_t rawImageHeight = 0;
  std::int32_t rawToneMapping = 2;

  bool operator==(const InputSettings&) const = default;
};

struct OutputSettings {
  std::string format;
  std::int32_t bmpBpp = 0;
  std::int32_t bmpCompression = 0;
  std::int32_t bmpColorTable = 0;
  std::int32_t ddsBpp = 0;
  std::int32_t exrBpp = 0;
  std::int32_t exrCompression = 0;
  std::int32_t gifBpp = 0;
  std::int32_t hdrBpp = 0;
  std::int32_t icoBpp = 0;
  std::int32_t j2kBpp = 0;
  std::int32_t jngBpp = 0;
  std::int32_t jp2Bpp = 0;
  std::int32_t jpgBpp = 0;
  std::int32_t jpgQuality = 95;
  std::int32_t jpgChroma = 0;
  std::int32_t jpgSaveAs = 0;
  std::int32_t jxrBpp = 0;
  std::int32_t pbmBpp = 0;
  std::int32_t pcxBpp = 0;
  std::int32_t pfmBpp = 0;
  std::int32_t pgmBpp = 0;
  std::int32_t pngBpp = 0;
  std::int32_t pngCompression = 0;
  Flag pngInterlaced = 0;
  std::int32_t ppmBpp = 0;
  std::int32_t psdBpp = 0;
  std::int32_t tgaBpp = 0;
  std::int32_t tgaCompression = 0;
  std::int32_t tiffBpp = 0;
  std::int32_t tiffCompression = 0;
  std::int32_t tiffColorMode = 0;
  std::int32_t wbmpBpp = 0;
  std::int32_t webpBpp = 0;
  std::int32_t webpQuality = 100;
  std::int32_t xpmBpp = 0;

  bool operator==(const OutputSettings&) const = default;
};

struct TransformSettings {
  Flag doImageRotation = 0;
  Code8 imageRotationType = 0;
  std::int32_t imageRotation = 0;
  Colour imageRotationBackColor = "000000";
  Flag doImageResize = 0;
  std::int32_t imageWidth = 0;
  Code8 imageWidthUnit = 0;
  std::int32_t imageHeight = 0;
  Code8 imageHeightUnit = 0;
  Flag keepAspectRatio = 0;
  Code8 imageResizeType = 0;
  Code8 imageResizeAlgorithm = 3;
  Flag doImageFlipHorizontal = 0;
  Flag doImageFlipVertical = 0;

  bool operator==(const TransformSettings&) const = default;
};

struct AdjustmentSettings {
  Flag doImageColorCorrection = 0;
  std::int32_t imageBrightness = 0;
  std::int32_t imageContrast = 0;
  float imageGamma = 1.0f;
  Flag imageInvert = 0;
  Flag doImageGreyscale = 0;
  Flag doImageThreshold = 0;
  std::int32_t imageThreshold = 0;
  Flag doImageDither = 0;
  Code8 imageDitherAlgorithm = 0;

  bool operator==(const AdjustmentSettings&) const = default;
};

struct FrameSettings {
  Code8 doFrame = 0;
  std::int32_t solidLeft = 0;
  std::int32_t solidRight = 0;
  std::int32_t solidTop = 0;
  std::int32_t solidBottom = 0;
  Colour solidLeftColor = "000000";
  Colour solidRightColor = "000000";
  Colour solidTopColor = "000000";
  Colour solidBottomColor = "000000";
  std::int32_t solidOpacity = 255;

  bool operator==(const FrameSettings&) const = default;
};

inline constexpr const char* kDefaultWatermarkText = "(c) 2024-2026 Pixvane. All rights reserved.";
inline constexpr const char* kDefaultColourChoices =
    "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";

struct WatermarkSettings {
  Code8 doWatermark = 0;  // 0 none, 1 text, 2 image
  std::string text = kDefaultWatermarkText;
  std::string fonts = "Arial,Tahoma,Verdana";
  std::string font = "Arial";
  std::int32_t fontSize = 14;
  std::int32_t fontLeading = 0;
  std::string fontColors = kDefaultColourChoices;
  Colour fontColor = "FFFFFF";
  Code8 fontStyle = 0;
  Code8 fontEffect = 0;
  Flag textAntialiasing = 0;
  Code8 textAlignment = 0;
  std::int32_t textPadding = 0;
  std::int32_t textOpacity = 255;
  std::string backColors = kDefaultColourChoices;
  Colour backColor = "000000";
  std::int32_t backOpacity = 1;
  Code8 textBoundary = 0;
  Code8 textPosition = 8;
  std::int32_t textXOffset = 10;
  std::int32_t textYOffset = 10;
  std::int32_t textRotation = 0;
  Code8 textSize = 0;
  std::int32_t textScale = 10;
  std::string image;
  Flag imageGreyscale = 0;
  std::int32_t imageOpacity = 255;
  Code8 imageBoundary = 0;
  Code8 imagePosition = 8;
  std::int32_t imageXOffset = 10;
  std::int32_t imageYOffset = 10;
  std::int32_t imageRotation = 0;
  Code8 imageSize = 0;
  std::int32_t imageScale = 10;

  bool operator==(const WatermarkSettings&) const = default;
};

// Largest decoded page a conversion accepts, in MiB (engine/page_limit.h).
inline constexpr std::int32_t kDefaultMaxPageMegabytes = 1024;

struct AdvancedSettings {
  // Never stored in the settings file; 0 or less means the default.
  std::int32_t maxPageMegabytes = kDefaultMaxPageMegabytes;
  std::string filenameMask = "%filename%.%ext%";
  Code8 fileTimestamp = 0;
  Date customTimestamp = 0;
  Flag outFoldersHistory = 1;
  std::int8_t outFoldersNumber = 5;
  Flag keepSubfolders = 1;
  // Worker processes of a console batch, 0 for one per processor. Set by "--threads" on the
  // command line or in a profile; never stored in the settings file.
  std::int32_t workerThreads = 0;

  bool operator==(const AdvancedSettings&) const = default;
};

struct FileSettings {
  std::string recentOutFolders;  // TAB-separated, newest first
  std::string recentFiles;

  bool operator==(const FileSettings&) const = default;
};

struct PrivacySettings {
  Flag cleanRecentFiles = 0;

  bool operator==(const PrivacySettings&) const = default;
};

struct Settings {
  // Never stored in any file.
  std::string settingsFilePath;

  GeneralSettings general;
  WindowSettings window;
  InterfaceSettings interface;
  InputSettings input;
  OutputSettings output;
  TransformSettings transform;
  AdjustmentSettings adjustment;
  FrameSettings frame;
  WatermarkSettings watermark;
  AdvancedSettings advanced;
  FileSettings file;
  PrivacySettings privacy;

  bool operator==(const Settings&) const = default;
};

// Sets every stored field to its default. The console and the window differ only in
// whether a resize keeps proportions. `now` is the local-time date; the desktop size
// decides the default window position (0 × 0 when there is no display).
void ApplyDefaults(Settings& settings, bool forCommandLine);
void ApplyDefaults(Settings& settings, bool forCommandLine, Date now, int desktopWidth, int desktopHeight);

// A number stored into an 8-bit field keeps its low 8 bits, read as signed.
constexpr std::int8_t ToInt8(std::int64_t value) {
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFFu));
}

}  // namespace rastrel
