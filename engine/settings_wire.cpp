#include "engine/settings_wire.h"

#include <type_traits>
#include <variant>

namespace rastrel {
namespace {

#define RASTREL_WIRE(group, member) FieldOf<&Settings::group, &decltype(Settings::group)::member>()

const SettingField kGeneralFields[] = {
    RASTREL_WIRE(general, cfg),
    RASTREL_WIRE(general, language),
    RASTREL_WIRE(general, updateRange),
    RASTREL_WIRE(general, updateDate),
    RASTREL_WIRE(general, saveWindowPosition),
};

const SettingField kWindowFields[] = {
    RASTREL_WIRE(window, isMaximized), RASTREL_WIRE(window, x),      RASTREL_WIRE(window, y),
    RASTREL_WIRE(window, width),       RASTREL_WIRE(window, height),
};

const SettingField kInterfaceFields[] = {
    RASTREL_WIRE(interface, uiTheme),
    RASTREL_WIRE(interface, uiSize),
};

const SettingField kInputFields[] = {
    RASTREL_WIRE(input, format),           RASTREL_WIRE(input, ddsLoadAs),
    RASTREL_WIRE(input, gifFrameLoading),  RASTREL_WIRE(input, icoFrameLoading),
    RASTREL_WIRE(input, tiffFrameLoading), RASTREL_WIRE(input, psdColorMode),
    RASTREL_WIRE(input, rawLoadAs),        RASTREL_WIRE(input, rawHeaderSize),
    RASTREL_WIRE(input, rawImageWidth),    RASTREL_WIRE(input, rawImageHeight),
    RASTREL_WIRE(input, rawToneMapping),
};

const SettingField kOutputFields[] = {
    RASTREL_WIRE(output, format),          RASTREL_WIRE(output, bmpBpp),
    RASTREL_WIRE(output, bmpCompression),  RASTREL_WIRE(output, bmpColorTable),
    RASTREL_WIRE(output, ddsBpp),          RASTREL_WIRE(output, exrBpp),
    RASTREL_WIRE(output, exrCompression),  RASTREL_WIRE(output, gifBpp),
    RASTREL_WIRE(output, hdrBpp),          RASTREL_WIRE(output, icoBpp),
    RASTREL_WIRE(output, j2kBpp),          RASTREL_WIRE(output, jngBpp),
    RASTREL_WIRE(output, jp2Bpp),          RASTREL_WIRE(output, jpgBpp),
    RASTREL_WIRE(output, jpgQuality),      RASTREL_WIRE(output, jpgChroma),
    RASTREL_WIRE(output, jpgSaveAs),       RASTREL_WIRE(output, jxrBpp),
    RASTREL_WIRE(output, pbmBpp),          RASTREL_WIRE(output, pcxBpp),
    RASTREL_WIRE(output, pfmBpp),          RASTREL_WIRE(output, pgmBpp),
    RASTREL_WIRE(output, pngBpp),          RASTREL_WIRE(output, pngCompression),
    RASTREL_WIRE(output, pngInterlaced),   RASTREL_WIRE(output, ppmBpp),
    RASTREL_WIRE(output, psdBpp),          RASTREL_WIRE(output, tgaBpp),
    RASTREL_WIRE(output, tgaCompression),  RASTREL_WIRE(output, tiffBpp),
    RASTREL_WIRE(output, tiffCompression), RASTREL_WIRE(output, tiffColorMode),
    RASTREL_WIRE(output, wbmpBpp),         RASTREL_WIRE(output, webpBpp),
    RASTREL_WIRE(output, webpQuality),     RASTREL_WIRE(output, xpmBpp),
};

const SettingField kTransformFields[] = {
    RASTREL_WIRE(transform, doImageRotation),       RASTREL_WIRE(transform, imageRotationType),
    RASTREL_WIRE(transform, imageRotation),         RASTREL_WIRE(transform, imageRotationBackColor),
    RASTREL_WIRE(transform, doImageResize),         RASTREL_WIRE(transform, imageWidth),
    RASTREL_WIRE(transform, imageWidthUnit),        RASTREL_WIRE(transform, imageHeight),
    RASTREL_WIRE(transform, imageHeightUnit),       RASTREL_WIRE(transform, keepAspectRatio),
    RASTREL_WIRE(transform, imageResizeType),       RASTREL_WIRE(transform, imageResizeAlgorithm),
    RASTREL_WIRE(transform, doImageFlipHorizontal), RASTREL_WIRE(transform, doImageFlipVertical),
};

const SettingField kAdjustmentFields[] = {
    RASTREL_WIRE(adjustment, doImageColorCorrection),
    RASTREL_WIRE(adjustment, imageBrightness),
    RASTREL_WIRE(adjustment, imageContrast),
    RASTREL_WIRE(adjustment, imageGamma),
    RASTREL_WIRE(adjustment, imageInvert),
    RASTREL_WIRE(adjustment, doImageGreyscale),
    RASTREL_WIRE(adjustment, doImageThreshold),
    RASTREL_WIRE(adjustment, imageThreshold),
    RASTREL_WIRE(adjustment, doImageDither),
    RASTREL_WIRE(adjustment, imageDitherAlgorithm),
};

const SettingField kFrameFields[] = {
    RASTREL_WIRE(frame, doFrame),          RASTREL_WIRE(frame, solidLeft),
    RASTREL_WIRE(frame, solidRight),       RASTREL_WIRE(frame, solidTop),
    RASTREL_WIRE(frame, solidBottom),      RASTREL_WIRE(frame, solidLeftColor),
    RASTREL_WIRE(frame, solidRightColor),  RASTREL_WIRE(frame, solidTopColor),
    RASTREL_WIRE(frame, solidBottomColor), RASTREL_WIRE(frame, solidOpacity),
};

const SettingField kWatermarkFields[] = {
    RASTREL_WIRE(watermark, doWatermark),
    RASTREL_WIRE(watermark, text),
    RASTREL_WIRE(watermark, fonts),
    RASTREL_WIRE(watermark, font),
    RASTREL_WIRE(watermark, fontSize),
    RASTREL_WIRE(watermark, fontLeading),
    RASTREL_WIRE(watermark, fontColors),
    RASTREL_WIRE(watermark, fontColor),
    RASTREL_WIRE(watermark, fontStyle),
    RASTREL_WIRE(watermark, fontEffect),
    RASTREL_WIRE(watermark, textAntialiasing),
    RASTREL_WIRE(watermark, textAlignment),
    RASTREL_WIRE(watermark, textPadding),
    RASTREL_WIRE(watermark, textOpacity),
    RASTREL_WIRE(watermark, backColors),
    RASTREL_WIRE(watermark, backColor),
    RASTREL_WIRE(watermark, backOpacity),
    RASTREL_WIRE(watermark, textBoundary),
    RASTREL_WIRE(watermark, textPosition),
    RASTREL_WIRE(watermark, textXOffset),
    RASTREL_WIRE(watermark, textYOffset),
    RASTREL_WIRE(watermark, textRotation),
    RASTREL_WIRE(watermark, textSize),
    RASTREL_WIRE(watermark, textScale),
    RASTREL_WIRE(watermark, image),
    RASTREL_WIRE(watermark, imageGreyscale),
    RASTREL_WIRE(watermark, imageOpacity),
    RASTREL_WIRE(watermark, imageBoundary),
    RASTREL_WIRE(watermark, imagePosition),
    RASTREL_WIRE(watermark, imageXOffset),
    RASTREL_WIRE(watermark, imageYOffset),
    RASTREL_WIRE(watermark, imageRotation),
    RASTREL_WIRE(watermark, imageSize),
    RASTREL_WIRE(watermark, imageScale),
};

const SettingField kAdvancedFields[] = {
    RASTREL_WIRE(advanced, filenameMask),     RASTREL_WIRE(advanced, fileTimestamp),
    RASTREL_WIRE(advanced, customTimestamp),  RASTREL_WIRE(advanced, outFoldersHistory),
    RASTREL_WIRE(advanced, outFoldersNumber), RASTREL_WIRE(advanced, keepSubfolders),
    RASTREL_WIRE(advanced, workerThreads),    RASTREL_WIRE(advanced, maxPageMegabytes),
};

const SettingField kFileFields[] = {
    RASTREL_WIRE(file, recentOutFolders),
    RASTREL_WIRE(file, recentFiles),
};

const SettingField kPrivacyFields[] = {
    RASTREL_WIRE(privacy, cleanRecentFiles),
};

#undef RASTREL_WIRE

const SettingsWireGroup kGroups[] = {
    {"general", kGeneralFields},       {"window", kWindowFields}, {"interface", kInterfaceFields},
    {"input", kInputFields},           {"output", kOutputFields}, {"transform", kTransformFields},
    {"adjustment", kAdjustmentFields}, {"frame", kFrameFields},   {"watermark", kWatermarkFields},
    {"advanced", kAdvancedFields},     {"file", kFileFields},     {"privacy", kPrivacyFields},
};

void WriteField(WireWriter& writer, const SettingField& field, const Settings& settings) {
  std::visit(
      [&](const auto& access) {
        using T = std::remove_cvref_t<decltype(access.read(settings))>;
        const T& value = access.read(settings);
        if constexpr (std::is_same_v<T, std::int32_t>) {
          writer.I32(value);
        } else if constexpr (std::is_same_v<T, std::int8_t>) {
          writer.I8(value);
        } else if constexpr (std::is_same_v<T, float>) {
          writer.F32(value);
        } else {
          writer.Text(value);
        }
      },
      field);
}

void ReadField(WireReader& reader, const SettingField& field, Settings& settings) {
  std::visit(
      [&](const auto& access) {
        using T = std::remove_cvref_t<decltype(access.get(settings))>;
        T& value = access.get(settings);
        if constexpr (std::is_same_v<T, std::int32_t>) {
          value = reader.I32();
        } else if constexpr (std::is_same_v<T, std::int8_t>) {
          value = reader.I8();
        } else if constexpr (std::is_same_v<T, float>) {
          value = reader.F32();
        } else {
          value = reader.Text();
        }
      },
      field);
}

}  // namespace

std::span<const SettingsWireGroup> SettingsWireGroups() { return kGroups; }

void WriteSettings(WireWriter& writer, const Settings& settings) {
  writer.Text(settings.settingsFilePath);
  for (const SettingsWireGroup& group : kGroups) {
    for (const SettingField& field : group.fields) WriteField(writer, field, settings);
  }
}

bool ReadSettings(WireReader& reader, Settings& settings) {
  settings.settingsFilePath = reader.Text();
  for (const SettingsWireGroup& group : kGroups) {
    for (const SettingField& field : group.fields) ReadField(reader, field, settings);
  }
  return reader.ok();
}

}  // namespace rastrel
