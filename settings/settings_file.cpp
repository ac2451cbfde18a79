#include "settings/settings_file.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <variant>

#include "formats/product.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/filesystem.h"
#include "platform/user_folders.h"
#include "settings/ini.h"
#include "settings/setting_field.h"
#include "settings/vocabulary.h"

namespace rastrel {
namespace {

struct FileKey {
  std::string_view key;
  SettingField field;
};

struct FileGroup {
  std::string_view name;
  std::span<const FileKey> keys;
};

// The keys a product-list entry owns in group Input or Output.
struct FormatKeys {
  std::string_view format;
  std::span<const FileKey> keys;
};

#define RASTREL_KEY(group, member, name) \
  FileKey { name, FieldOf<&Settings::group, &decltype(Settings::group)::member>() }

// `CFG` is not in the table: it is always written as the current version and read with a
// default of its own.
const FileKey kGeneralKeys[] = {
    RASTREL_KEY(general, language, "Language"),
    RASTREL_KEY(general, updateRange, "Update Range"),
    RASTREL_KEY(general, updateDate, "Update Date"),
    RASTREL_KEY(general, saveWindowPosition, "Save Window Position"),
};

const FileKey kWindowKeys[] = {
    RASTREL_KEY(window, isMaximized, "IsMaximized"),
    RASTREL_KEY(window, width, "Width"),
    RASTREL_KEY(window, height, "Height"),
    RASTREL_KEY(window, x, "X"),
    RASTREL_KEY(window, y, "Y"),
};

const FileKey kInterfaceKeys[] = {
    RASTREL_KEY(interface, uiTheme, "UI Theme"),
    RASTREL_KEY(interface, uiSize, "UI Size"),
};

const FileKey kInputFormatKey[] = {RASTREL_KEY(input, format, "Format")};
const FileKey kDdsInputKeys[] = {RASTREL_KEY(input, ddsLoadAs, "DDS Load As")};
const FileKey kGifInputKeys[] = {RASTREL_KEY(input, gifFrameLoading, "GIF Frame Loading")};
const FileKey kIcoInputKeys[] = {RASTREL_KEY(input, icoFrameLoading, "ICO Frame Loading")};
const FileKey kPsdInputKeys[] = {RASTREL_KEY(input, psdColorMode, "PSD Color Mode")};
const FileKey kRawInputKeys[] = {
    RASTREL_KEY(input, rawLoadAs, "RAW Load As"),
    RASTREL_KEY(input, rawHeaderSize, "RAW Header Size"),
    RASTREL_KEY(input, rawImageWidth, "RAW Image Width"),
    RASTREL_KEY(input, rawImageHeight, "RAW Image Height"),
    RASTREL_KEY(input, rawToneMapping, "RAW Tone Mapping"),
};
const FileKey kTiffInputKeys[] = {RASTREL_KEY(input, tiffFrameLoading, "TIFF Frame Loading")};

const FormatKeys kInputFormatKeys[] = {
    {"dds", kDdsInputKeys}, {"gif", kGifInputKeys}, {"ico", kIcoInputKeys},
    {"psd", kPsdInputKeys}, {"raw", kRawInputKeys}, {"tiff", kTiffInputKeys},
};

const FileKey kOutputFormatKey[] = {RASTREL_KEY(output, format, "Format")};
const FileKey kBmpOutputKeys[] = {
    RASTREL_KEY(output, bmpBpp, "BMP BPP"),
    RASTREL_KEY(output, bmpCompression, "BMP Compression"),
    RASTREL_KEY(output, bmpColorTable, "BMP Color Table"),
};
const FileKey kDdsOutputKeys[] = {RASTREL_KEY(output, ddsBpp, "DDS BPP")};
const FileKey kExrOutputKeys[] = {
    RASTREL_KEY(output, exrBpp, "EXR BPP"),
    RASTREL_KEY(output, exrCompression, "EXR Compression"),
};
const FileKey kGifOutputKeys[] = {RASTREL_KEY(output, gifBpp, "GIF BPP")};
const FileKey kHdrOutputKeys[] = {RASTREL_KEY(output, hdrBpp, "HDR BPP")};
const FileKey kIcoOutputKeys[] = {RASTREL_KEY(output, icoBpp, "ICO BPP")};
const FileKey kJ2kOutputKeys[] = {RASTREL_KEY(output, j2kBpp, "J2K BPP")};
const FileKey kJngOutputKeys[] = {RASTREL_KEY(output, jngBpp, "JNG BPP")};
const FileKey kJp2OutputKeys[] = {RASTREL_KEY(output, jp2Bpp, "JP2 BPP")};
const FileKey kJpgOutputKeys[] = {
    RASTREL_KEY(output, jpgBpp, "JPG BPP"),
    RASTREL_KEY(output, jpgQuality, "JPG Quality"),
    RASTREL_KEY(output, jpgChroma, "JPG Chroma"),
    RASTREL_KEY(output, jpgSaveAs, "JPG Save As"),
};
const FileKey kJxrOutputKeys[] = {RASTREL_KEY(output, jxrBpp, "JXR BPP")};
const FileKey kPbmOutputKeys[] = {RASTREL_KEY(output, pbmBpp, "PBM BPP")};
const FileKey kPcxOutputKeys[] = {RASTREL_KEY(output, pcxBpp, "PCX BPP")};
const FileKey kPfmOutputKeys[] = {RASTREL_KEY(output, pfmBpp, "PFM BPP")};
const FileKey kPgmOutputKeys[] = {RASTREL_KEY(output, pgmBpp, "PGM BPP")};
const FileKey kPngOutputKeys[] = {
    RASTREL_KEY(output, pngBpp, "PNG BPP"),
    RASTREL_KEY(output, pngCompression, "PNG Compression"),
    RASTREL_KEY(output, pngInterlaced, "PNG Interlaced"),
};
const FileKey kPpmOutputKeys[] = {RASTREL_KEY(output, ppmBpp, "PPM BPP")};
const FileKey kPsdOutputKeys[] = {RASTREL_KEY(output, psdBpp, "PSD BPP")};
const FileKey kTgaOutputKeys[] = {
    RASTREL_KEY(output, tgaBpp, "TGA BPP"),
    RASTREL_KEY(output, tgaCompression, "TGA Compression"),
};
const FileKey kTiffOutputKeys[] = {
    RASTREL_KEY(output, tiffBpp, "TIFF BPP"),
    RASTREL_KEY(output, tiffCompression, "TIFF Compression"),
    RASTREL_KEY(output, tiffColorMode, "TIFF Color Mode"),
};
const FileKey kWbmpOutputKeys[] = {RASTREL_KEY(output, wbmpBpp, "WBMP BPP")};
const FileKey kWebpOutputKeys[] = {
    RASTREL_KEY(output, webpBpp, "WEBP BPP"),
    RASTREL_KEY(output, webpQuality, "WEBP Quality"),
};
const FileKey kXpmOutputKeys[] = {RASTREL_KEY(output, xpmBpp, "XPM BPP")};

const FormatKeys kOutputFormatKeys[] = {
    {"bmp", kBmpOutputKeys},   {"dds", kDdsOutputKeys},   {"exr", kExrOutputKeys}, {"gif", kGifOutputKeys},
    {"hdr", kHdrOutputKeys},   {"ico", kIcoOutputKeys},   {"j2k", kJ2kOutputKeys}, {"jng", kJngOutputKeys},
    {"jp2", kJp2OutputKeys},   {"jpg", kJpgOutputKeys},   {"jxr", kJxrOutputKeys}, {"pbm", kPbmOutputKeys},
    {"pcx", kPcxOutputKeys},   {"pfm", kPfmOutputKeys},   {"pgm", kPgmOutputKeys}, {"png", kPngOutputKeys},
    {"ppm", kPpmOutputKeys},   {"psd", kPsdOutputKeys},   {"tga", kTgaOutputKeys}, {"tiff", kTiffOutputKeys},
    {"wbmp", kWbmpOutputKeys}, {"webp", kWebpOutputKeys}, {"xpm", kXpmOutputKeys},
};

const FileKey kTransformKeys[] = {
    RASTREL_KEY(transform, doImageRotation, "Do Image Rotation"),
    RASTREL_KEY(transform, imageRotationType, "Image Rotation Type"),
    RASTREL_KEY(transform, imageRotation, "Image Rotation"),
    RASTREL_KEY(transform, imageRotationBackColor, "Image Rotation Back Color"),
    RASTREL_KEY(transform, doImageResize, "Do Image Resize"),
    RASTREL_KEY(transform, imageWidth, "Image Width"),
    RASTREL_KEY(transform, imageWidthUnit, "Image Width Unit"),
    RASTREL_KEY(transform, imageHeight, "Image Height"),
    RASTREL_KEY(transform, imageHeightUnit, "Image Height Unit"),
    RASTREL_KEY(transform, keepAspectRatio, "Keep Aspect Ratio"),
    RASTREL_KEY(transform, imageResizeType, "Image Resize Type"),
    RASTREL_KEY(transform, imageResizeAlgorithm, "Image Resize Algorithm"),
    RASTREL_KEY(transform, doImageFlipHorizontal, "Do Image Flip Horizontal"),
    RASTREL_KEY(transform, doImageFlipVertical, "Do Image Flip Vertical"),
};

const FileKey kAdjustmentKeys[] = {
    RASTREL_KEY(adjustment, doImageColorCorrection, "Do Image Color Correction"),
    RASTREL_KEY(adjustment, imageBrightness, "Image Brightness"),
    RASTREL_KEY(adjustment, imageContrast, "Image Contrast"),
    RASTREL_KEY(adjustment, imageGamma, "Image Gamma"),
    RASTREL_KEY(adjustment, imageInvert, "Image Invert"),
    RASTREL_KEY(adjustment, doImageGreyscale, "Do Image Greyscale"),
    RASTREL_KEY(adjustment, doImageThreshold, "Do Image Threshold"),
    RASTREL_KEY(adjustment, imageThreshold, "Image Threshold"),
    RASTREL_KEY(adjustment, doImageDither, "Do Image Dither"),
    RASTREL_KEY(adjustment, imageDitherAlgorithm, "Image Dither Algorithm"),
};

const FileKey kFrameKeys[] = {
    RASTREL_KEY(frame, doFrame, "Do Frame"),
    RASTREL_KEY(frame, solidLeft, "Solid Left"),
    RASTREL_KEY(frame, solidRight, "Solid Right"),
    RASTREL_KEY(frame, solidTop, "Solid Top"),
    RASTREL_KEY(frame, solidBottom, "Solid Bottom"),
    RASTREL_KEY(frame, solidLeftColor, "Solid Left Color"),
    RASTREL_KEY(frame, solidRightColor, "Solid Right Color"),
    RASTREL_KEY(frame, solidTopColor, "Solid Top Color"),
    RASTREL_KEY(frame, solidBottomColor, "Solid Bottom Color"),
    RASTREL_KEY(frame, solidOpacity, "Solid Opacity"),
};

const FileKey kWatermarkKeys[] = {
    RASTREL_KEY(watermark, doWatermark, "Do Watermark"),
    RASTREL_KEY(watermark, text, "Text"),
    RASTREL_KEY(watermark, fonts, "Fonts"),
    RASTREL_KEY(watermark, font, "Font"),
    RASTREL_KEY(watermark, fontSize, "Font Size"),
    RASTREL_KEY(watermark, fontLeading, "Font Leading"),
    RASTREL_KEY(watermark, fontColors, "Font Colors"),
    RASTREL_KEY(watermark, fontColor, "Font Color"),
    RASTREL_KEY(watermark, fontStyle, "Font Style"),
    RASTREL_KEY(watermark, fontEffect, "Font Effect"),
    RASTREL_KEY(watermark, textAntialiasing, "Text Antialiasing"),
    RASTREL_KEY(watermark, textAlignment, "Text Alignment"),
    RASTREL_KEY(watermark, textPadding, "Text Padding"),
    RASTREL_KEY(watermark, textOpacity, "Text Opacity"),
    RASTREL_KEY(watermark, backColors, "Back Colors"),
    RASTREL_KEY(watermark, backColor, "Back Color"),
    RASTREL_KEY(watermark, backOpacity, "Back Opacity"),
    RASTREL_KEY(watermark, textBoundary, "Text Boundary"),
    RASTREL_KEY(watermark, textPosition, "Text Position"),
    RASTREL_KEY(watermark, textXOffset, "Text X Offset"),
    RASTREL_KEY(watermark, textYOffset, "Text Y Offset"),
    RASTREL_KEY(watermark, textRotation, "Text Rotation"),
    RASTREL_KEY(watermark, textSize, "Text Size"),
    RASTREL_KEY(watermark, textScale, "Text Scale"),
    RASTREL_KEY(watermark, image, "Image"),
    RASTREL_KEY(watermark, imageGreyscale, "Image Greyscale"),
    RASTREL_KEY(watermark, imageOpacity, "Image Opacity"),
    RASTREL_KEY(watermark, imageBoundary, "Image Boundary"),
    RASTREL_KEY(watermark, imagePosition, "Image Position"),
    RASTREL_KEY(watermark, imageXOffset, "Image X Offset"),
    RASTREL_KEY(watermark, imageYOffset, "Image Y Offset"),
    RASTREL_KEY(watermark, imageRotation, "Image Rotation"),
    RASTREL_KEY(watermark, imageSize, "Image Size"),
    RASTREL_KEY(watermark, imageScale, "Image Scale"),
};

const FileKey kAdvancedKeys[] = {
    RASTREL_KEY(advanced, filenameMask, "Filename Mask"),
    RASTREL_KEY(advanced, fileTimestamp, "File Timestamp"),
    RASTREL_KEY(advanced, customTimestamp, "Custom Timestamp"),
    RASTREL_KEY(advanced, outFoldersHistory, "Out Folders History"),
    RASTREL_KEY(advanced, outFoldersNumber, "Out Folders Number"),
    RASTREL_KEY(advanced, keepSubfolders, "Keep Subfolders"),
};

const FileKey kFileKeys[] = {
    RASTREL_KEY(file, recentOutFolders, "Recent Out Folders"),
    RASTREL_KEY(file, recentFiles, "Recent Files"),
};

const FileKey kPrivacyKeys[] = {RASTREL_KEY(privacy, cleanRecentFiles, "Clean Recent Files")};

#undef RASTREL_KEY

// The groups after Input and Output, in the order they are written.
const FileGroup kTrailingGroups[] = {
    {"Transform", kTransformKeys}, {"Adjustment", kAdjustmentKeys}, {"Frame", kFrameKeys},
    {"Watermark", kWatermarkKeys}, {"Advanced", kAdvancedKeys},     {"File", kFileKeys},
    {"Privacy", kPrivacyKeys},
};

constexpr std::string_view kGeneral = "General";
constexpr std::string_view kWindow = "Window";
constexpr std::string_view kInterface = "Interface";
constexpr std::string_view kInput = "Input";
constexpr std::string_view kOutput = "Output";

// A float field keeps what a double narrows to, with out-of-range values made infinite
// rather than left to undefined behaviour.
float ToFloat(double value) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

void ReadKey(const IniDocument& document, std::string_view group, const FileKey& key, Settings& settings) {
  const std::string* value = FindIniValue(document, group, key.key);
  if (value == nullptr) return;
  std::visit(
      [&](const auto& access) {
        using T = std::remove_cvref_t<decltype(access.get(settings))>;
        T& field = access.get(settings);
        if constexpr (std::is_same_v<T, std::int32_t>) {
          field = ToInt32(ParseIniInteger(*value));
        } else if constexpr (std::is_same_v<T, std::int8_t>) {
          field = ToInt8(ParseIniInteger(*value));
        } else if constexpr (std::is_same_v<T, float>) {
          field = ToFloat(ParseIniFloat(*value));
        } else {
          field = *value;
        }
      },
      key.field);
}

void ReadKeys(const IniDocument& document, std::string_view group, std::span<const FileKey> keys,
              Settings& settings) {
  for (const FileKey& key : keys) ReadKey(document, group, key, settings);
}

void WriteKey(IniWriter& writer, const FileKey& key, const Settings& settings) {
  std::visit(
      [&](const auto& access) {
        const auto& field = access.read(settings);
        using T = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<T, float>) {
          writer.WriteFloat(key.key, field);
        } else if constexpr (std::is_same_v<T, std::string>) {
          writer.WriteString(key.key, field);
        } else {
          writer.WriteInteger(key.key, field);
        }
      },
      key.field);
}

void WriteKeys(IniWriter& writer, std::span<const FileKey> keys, const Settings& settings) {
  for (const FileKey& key : keys) WriteKey(writer, key, settings);
}

template <std::size_t N>
void WriteProductFormats(IniWriter& writer, const std::array<std::string_view, N>& productList,
                         std::span<const FormatKeys> table, const Settings& settings) {
  for (const std::string_view format : productList) {
    for (const FormatKeys& entry : table) {
      if (entry.format == format) WriteKeys(writer, entry.keys, settings);
    }
  }
}

void UpgradeOlderVersions(const IniDocument& document, Settings& settings) {
  const std::int32_t version = settings.general.cfg;
  // Before version 11 the mask held no extension: the extension was always appended.
  if (version < 11 && settings.advanced.filenameMask.find("%ext%") == std::string::npos) {
    settings.advanced.filenameMask += ".%ext%";
  }
  // Version 14 put two new codes in front of the RAW load modes other than AUTO.
  if (version < 14 && settings.input.rawLoadAs != 0) {
    settings.input.rawLoadAs = ToInt32(std::int64_t{settings.input.rawLoadAs} + 2);
  }
  // Version 19 renamed the two colour-model keys.
  if (version < 19) {
    const std::int32_t psd = ToInt32(ReadIniInteger(document, kInput, "PSD Color Model", 0));
    if (psd != 0) settings.input.psdColorMode = psd;
    const std::int32_t tiff = ToInt32(ReadIniInteger(document, kOutput, "TIFF Color Model", 0));
    if (tiff != 0) settings.output.tiffColorMode = tiff;
  }
}

std::optional<IniDocument> ReadSettingsFile(const Settings& settings) {
  if (settings.settingsFilePath.empty()) return std::nullopt;
  return ReadIniFile(settings.settingsFilePath);
}

void FillFromFile(const IniDocument& document, Date now, Settings& settings) {
  // Keys that are missing keep the defaults, with the window at 100, 100 (what an unknown
  // desktop gives) and no version, so that every upgrade applies.
  ApplyDefaults(settings, false, now, 0, 0);
  settings.general.cfg = ToInt32(ReadIniInteger(document, kGeneral, "CFG", 0));
  ReadKeys(document, kGeneral, kGeneralKeys, settings);
  ReadKeys(document, kWindow, kWindowKeys, settings);
  ReadKeys(document, kInterface, kInterfaceKeys, settings);
  ReadKeys(document, kInput, kInputFormatKey, settings);
  for (const FormatKeys& entry : kInputFormatKeys) ReadKeys(document, kInput, entry.keys, settings);
  ReadKeys(document, kOutput, kOutputFormatKey, settings);
  for (const FormatKeys& entry : kOutputFormatKeys) ReadKeys(document, kOutput, entry.keys, settings);
  for (const FileGroup& group : kTrailingGroups) ReadKeys(document, group.name, group.keys, settings);
  UpgradeOlderVersions(document, settings);
}

}  // namespace

std::string GetUserFolder(std::string_view family, std::string_view product) {
  std::string folder = UserConfigFolder();
  if (folder.empty()) return {};
  // The base itself may be missing on a fresh account; create it level by level.
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    CreateFolder(folder.substr(0, slash));
  }
  folder.append(family).append("/");
  CreateFolder(folder);
  folder.append(product).append("/");
  CreateFolder(folder);
  return folder;
}

std::string SettingsFilePath() {
  const std::string folder = GetUserFolder(kSettingsFamilyName, kSettingsProductName);
  return folder.empty() ? std::string() : folder + std::string(kSettingsFileName);
}

void LoadSettings(Settings& settings, Date now, int desktopWidth, int desktopHeight) {
  const std::optional<IniDocument> document = ReadSettingsFile(settings);
  if (document) {
    FillFromFile(*document, now, settings);
  } else {
    ApplyDefaults(settings, false, now, desktopWidth, desktopHeight);
  }
}

void LoadSettings(Settings& settings) {
  const std::optional<IniDocument> document = ReadSettingsFile(settings);
  if (document) {
    FillFromFile(*document, LocalNowAsDate(), settings);
  } else {
    ApplyDefaults(settings, false);  // only here is the desktop size needed
  }
}

std::string SettingsFileText(const Settings& settings) {
  IniWriter writer;
  writer.BeginGroup(kGeneral);
  writer.WriteInteger("CFG", kSettingsFileVersion);
  WriteKeys(writer, kGeneralKeys, settings);

  writer.BeginGroup(kWindow);
  if (settings.general.saveWindowPosition != 0) WriteKeys(writer, kWindowKeys, settings);

  writer.BeginGroup(kInterface);
  WriteKeys(writer, kInterfaceKeys, settings);

  writer.BeginGroup(kInput);
  WriteKeys(writer, kInputFormatKey, settings);
  WriteProductFormats(writer, kProductInputFamilies, kInputFormatKeys, settings);

  writer.BeginGroup(kOutput);
  WriteKeys(writer, kOutputFormatKey, settings);
  WriteProductFormats(writer, kProductOutputFormats, kOutputFormatKeys, settings);

  for (const FileGroup& group : kTrailingGroups) {
    writer.BeginGroup(group.name);
    WriteKeys(writer, group.keys, settings);
  }
  return writer.Finish();
}

bool SaveSettings(const Settings& settings) {
  if (settings.settingsFilePath.empty()) return false;
  return WriteFileAtomically(settings.settingsFilePath, SettingsFileText(settings));
}

}  // namespace rastrel
