#include "settings/image_options.h"

#include <array>
#include <string>

#include "settings/vocabulary.h"

namespace rastrel {
namespace {

using S = Settings;
using K = OptionValueKind;
using In = InputSettings;
using Out = OutputSettings;
using Tr = TransformSettings;
using Adj = AdjustmentSettings;
using Fr = FrameSettings;
using Wm = WatermarkSettings;
using Adv = AdvancedSettings;

struct Stage {
  FieldAccess<std::int8_t> flag;
  std::int8_t value = 1;
};

constexpr Stage kNoStage{};
constexpr Stage kRotation{FieldOf<&S::transform, &Tr::doImageRotation>()};
constexpr Stage kResize{FieldOf<&S::transform, &Tr::doImageResize>()};
constexpr Stage kColorCorrection{FieldOf<&S::adjustment, &Adj::doImageColorCorrection>()};
constexpr Stage kThreshold{FieldOf<&S::adjustment, &Adj::doImageThreshold>()};
constexpr Stage kDither{FieldOf<&S::adjustment, &Adj::doImageDither>()};
constexpr Stage kFrame{FieldOf<&S::frame, &Fr::doFrame>()};
constexpr Stage kTextWatermark{FieldOf<&S::watermark, &Wm::doWatermark>(), 1};
constexpr Stage kImageWatermark{FieldOf<&S::watermark, &Wm::doWatermark>(), 2};

constexpr ImageOption Make(std::string_view name, SettingField field, K kind, int list,
                           std::int8_t switchValue, Stage stage) {
  ImageOption option;
  option.name = name;
  option.field = field;
  option.kind = kind;
  option.keywordList = list;
  option.switchValue = switchValue;
  option.stage = stage.flag;
  option.stageValue = stage.value;
  return option;
}

constexpr ImageOption Number(std::string_view name, SettingField field, Stage stage = kNoStage) {
  return Make(name, field, K::Number, -1, 1, stage);
}
constexpr ImageOption Decimal(std::string_view name, SettingField field, Stage stage) {
  return Make(name, field, K::Decimal, -1, 1, stage);
}
constexpr ImageOption Keyword(std::string_view name, SettingField field, int list, Stage stage = kNoStage) {
  return Make(name, field, K::Keyword, list, 1, stage);
}
constexpr ImageOption Text(std::string_view name, SettingField field, Stage stage = kNoStage) {
  return Make(name, field, K::Text, -1, 1, stage);
}
constexpr ImageOption Switch(std::string_view name, SettingField field, std::int8_t value,
                             Stage stage = kNoStage) {
  return Make(name, field, K::Switch, -1, value, stage);
}
constexpr ImageOption Mask(std::string_view name, SettingField field) {
  return Make(name, field, K::Mask, -1, 1, kNoStage);
}
constexpr ImageOption WithProfileName(ImageOption option, std::string_view profileName) {
  option.profileName = profileName;
  return option;
}

// The order is the order in which a profile's keys are tested.
constexpr ImageOption kOptions[] = {
    // Input
    Keyword("--DDS-LOAD-AS", FieldOf<&S::input, &In::ddsLoadAs>(), 0),
    Keyword("--GIF-FRAME-LOADING", FieldOf<&S::input, &In::gifFrameLoading>(), 2),
    Keyword("--ICO-FRAME-LOADING", FieldOf<&S::input, &In::icoFrameLoading>(), 2),
    Keyword("--PSD-COLOR-MODE", FieldOf<&S::input, &In::psdColorMode>(), 6),
    Keyword("--RAW-LOAD-AS", FieldOf<&S::input, &In::rawLoadAs>(), 1),
    Number("--RAW-HEADER-SIZE", FieldOf<&S::input, &In::rawHeaderSize>()),
    Number("--RAW-WIDTH", FieldOf<&S::input, &In::rawImageWidth>()),
    Number("--RAW-HEIGHT", FieldOf<&S::input, &In::rawImageHeight>()),
    Keyword("--RAW-TONE-MAPPING", FieldOf<&S::input, &In::rawToneMapping>(), 3),
    Keyword("--TIFF-FRAME-LOADING", FieldOf<&S::input, &In::tiffFrameLoading>(), 2),
    // Output
    Number("--BMP-BPP", FieldOf<&S::output, &Out::bmpBpp>()),
    Keyword("--BMP-COMPRESSION", FieldOf<&S::output, &Out::bmpCompression>(), 4),
    Keyword("--BMP-COLOR-TABLE", FieldOf<&S::output, &Out::bmpColorTable>(), 5),
    Number("--DDS-BPP", FieldOf<&S::output, &Out::ddsBpp>()),
    Number("--EXR-BPP", FieldOf<&S::output, &Out::exrBpp>()),
    Keyword("--EXR-COMPRESSION", FieldOf<&S::output, &Out::exrCompression>(), 4),
    Number("--GIF-BPP", FieldOf<&S::output, &Out::gifBpp>()),
    Number("--HDR-BPP", FieldOf<&S::output, &Out::hdrBpp>()),
    Number("--ICO-BPP", FieldOf<&S::output, &Out::icoBpp>()),
    Number("--J2K-BPP", FieldOf<&S::output, &Out::j2kBpp>()),
    Number("--JNG-BPP", FieldOf<&S::output, &Out::jngBpp>()),
    Number("--JP2-BPP", FieldOf<&S::output, &Out::jp2Bpp>()),
    Number("--JPG-BPP", FieldOf<&S::output, &Out::jpgBpp>()),
    Number("--JPG-QUALITY", FieldOf<&S::output, &Out::jpgQuality>()),
    Keyword("--JPG-CHROMA", FieldOf<&S::output, &Out::jpgChroma>(), 7),
    Keyword("--JPG-SAVE-AS", FieldOf<&S::output, &Out::jpgSaveAs>(), 8),
    Number("--JXR-BPP", FieldOf<&S::output, &Out::jxrBpp>()),
    Number("--PBM-BPP", FieldOf<&S::output, &Out::pbmBpp>()),
    Number("--PCX-BPP", FieldOf<&S::output, &Out::pcxBpp>()),
    Number("--PFM-BPP", FieldOf<&S::output, &Out::pfmBpp>()),
    Number("--PGM-BPP", FieldOf<&S::output, &Out::pgmBpp>()),
    Number("--PNG-BPP", FieldOf<&S::output, &Out::pngBpp>()),
    Keyword("--PNG-COMPRESSION", FieldOf<&S::output, &Out::pngCompression>(), 4),
    Switch("--PNG-INTERLACED", FieldOf<&S::output, &Out::pngInterlaced>(), 1),
    Number("--PPM-BPP", FieldOf<&S::output, &Out::ppmBpp>()),
    Number("--PSD-BPP", FieldOf<&S::output, &Out::psdBpp>()),
    Number("--TGA-BPP", FieldOf<&S::output, &Out::tgaBpp>()),
    Keyword("--TGA-COMPRESSION", FieldOf<&S::output, &Out::tgaCompression>(), 4),
    Number("--TIFF-BPP", FieldOf<&S::output, &Out::tiffBpp>()),
    Keyword("--TIFF-COMPRESSION", FieldOf<&S::output, &Out::tiffCompression>(), 4),
    Keyword("--TIFF-COLOR-MODE", FieldOf<&S::output, &Out::tiffColorMode>(), 6),
    Number("--WBMP-BPP", FieldOf<&S::output, &Out::wbmpBpp>()),
    Number("--WEBP-BPP", FieldOf<&S::output, &Out::webpBpp>()),
    Number("--WEBP-QUALITY", FieldOf<&S::output, &Out::webpQuality>()),
    Number("--XPM-BPP", FieldOf<&S::output, &Out::xpmBpp>()),
    // Transform
    Keyword("--ROTATION-TYPE", FieldOf<&S::transform, &Tr::imageRotationType>(), 9),
    Number("--ROTATION", FieldOf<&S::transform, &Tr::imageRotation>(), kRotation),
    Text("--ROTATION-BACK-COLOR", FieldOf<&S::transform, &Tr::imageRotationBackColor>()),
    Number("--WIDTH", FieldOf<&S::transform, &Tr::imageWidth>(), kResize),
    Keyword("--WIDTH-UNIT", FieldOf<&S::transform, &Tr::imageWidthUnit>(), 10),
    Number("--HEIGHT", FieldOf<&S::transform, &Tr::imageHeight>(), kResize),
    Keyword("--HEIGHT-UNIT", FieldOf<&S::transform, &Tr::imageHeightUnit>(), 10),
    Switch("--KEEP-ASPECT-RATIO", FieldOf<&S::transform, &Tr::keepAspectRatio>(), 1),
    Keyword("--RESIZE-TYPE", FieldOf<&S::transform, &Tr::imageResizeType>(), 11),
    Keyword("--RESIZE-ALGORITHM", FieldOf<&S::transform, &Tr::imageResizeAlgorithm>(), 12),
    Switch("--FLIP-HORIZONTAL", FieldOf<&S::transform, &Tr::doImageFlipHorizontal>(), 1),
    Switch("--FLIP-VERTICAL", FieldOf<&S::transform, &Tr::doImageFlipVertical>(), 1),
    // Adjustment
    Number("--BRIGHTNESS", FieldOf<&S::adjustment, &Adj::imageBrightness>(), kColorCorrection),
    Number("--CONTRAST", FieldOf<&S::adjustment, &Adj::imageContrast>(), kColorCorrection),
    Decimal("--GAMMA", FieldOf<&S::adjustment, &Adj::imageGamma>(), kColorCorrection),
    Switch("--INVERT", FieldOf<&S::adjustment, &Adj::imageInvert>(), 1, kColorCorrection),
    Switch("--GREYSCALE", FieldOf<&S::adjustment, &Adj::doImageGreyscale>(), 1),
    Number("--THRESHOLD", FieldOf<&S::adjustment, &Adj::imageThreshold>(), kThreshold),
    Keyword("--DITHER", FieldOf<&S::adjustment, &Adj::imageDitherAlgorithm>(), 13, kDither),
    // Frame
    Number("--FR-SOLID-LEFT", FieldOf<&S::frame, &Fr::solidLeft>(), kFrame),
    Number("--FR-SOLID-RIGHT", FieldOf<&S::frame, &Fr::solidRight>(), kFrame),
    Number("--FR-SOLID-TOP", FieldOf<&S::frame, &Fr::solidTop>(), kFrame),
    Number("--FR-SOLID-BOTTOM", FieldOf<&S::frame, &Fr::solidBottom>(), kFrame),
    Text("--FR-SOLID-LEFT-COLOR", FieldOf<&S::frame, &Fr::solidLeftColor>()),
    Text("--FR-SOLID-RIGHT-COLOR", FieldOf<&S::frame, &Fr::solidRightColor>()),
    Text("--FR-SOLID-TOP-COLOR", FieldOf<&S::frame, &Fr::solidTopColor>()),
    Text("--FR-SOLID-BOTTOM-COLOR", FieldOf<&S::frame, &Fr::solidBottomColor>()),
    WithProfileName(Number("--FR-SOLID-OPACITY", FieldOf<&S::frame, &Fr::solidOpacity>()),
                    "--WM-SOLID-OPACITY"),
    // Text watermark
    Text("--WM-TEXT", FieldOf<&S::watermark, &Wm::text>(), kTextWatermark),
    Text("--WM-FONT", FieldOf<&S::watermark, &Wm::font>()),
    Number("--WM-FONT-SIZE", FieldOf<&S::watermark, &Wm::fontSize>()),
    Number("--WM-FONT-LEADING", FieldOf<&S::watermark, &Wm::fontLeading>()),
    Text("--WM-FONT-COLOR", FieldOf<&S::watermark, &Wm::fontColor>()),
    Keyword("--WM-FONT-STYLE", FieldOf<&S::watermark, &Wm::fontStyle>(), 16),
    Keyword("--WM-FONT-EFFECT", FieldOf<&S::watermark, &Wm::fontEffect>(), 17),
    Switch("--WM-TEXT-ANTIALIASING", FieldOf<&S::watermark, &Wm::textAntialiasing>(), 1),
    Keyword("--WM-TEXT-ALIGNMENT", FieldOf<&S::watermark, &Wm::textAlignment>(), 18),
    Number("--WM-TEXT-PADDING", FieldOf<&S::watermark, &Wm::textPadding>()),
    Number("--WM-TEXT-OPACITY", FieldOf<&S::watermark, &Wm::textOpacity>()),
    Text("--WM-BACK-COLOR", FieldOf<&S::watermark, &Wm::backColor>()),
    Number("--WM-BACK-OPACITY", FieldOf<&S::watermark, &Wm::backOpacity>()),
    Keyword("--WM-TEXT-BOUNDARY", FieldOf<&S::watermark, &Wm::textBoundary>(), 19),
    Keyword("--WM-TEXT-POSITION", FieldOf<&S::watermark, &Wm::textPosition>(), 20),
    Number("--WM-TEXT-X-OFFSET", FieldOf<&S::watermark, &Wm::textXOffset>()),
    Number("--WM-TEXT-Y-OFFSET", FieldOf<&S::watermark, &Wm::textYOffset>()),
    Number("--WM-TEXT-ROTATION", FieldOf<&S::watermark, &Wm::textRotation>()),
    Keyword("--WM-TEXT-SIZE", FieldOf<&S::watermark, &Wm::textSize>(), 21),
    // Image watermark
    Text("--WM-IMAGE", FieldOf<&S::watermark, &Wm::image>(), kImageWatermark),
    Switch("--WM-IMAGE-GREYSCALE", FieldOf<&S::watermark, &Wm::imageGreyscale>(), 1),
    Number("--WM-IMAGE-OPACITY", FieldOf<&S::watermark, &Wm::imageOpacity>()),
    Keyword("--WM-IMAGE-BOUNDARY", FieldOf<&S::watermark, &Wm::imageBoundary>(), 19),
    Keyword("--WM-IMAGE-POSITION", FieldOf<&S::watermark, &Wm::imagePosition>(), 20),
    Number("--WM-IMAGE-X-OFFSET", FieldOf<&S::watermark, &Wm::imageXOffset>()),
    Number("--WM-IMAGE-Y-OFFSET", FieldOf<&S::watermark, &Wm::imageYOffset>()),
    Number("--WM-IMAGE-ROTATION", FieldOf<&S::watermark, &Wm::imageRotation>()),
    Keyword("--WM-IMAGE-SIZE", FieldOf<&S::watermark, &Wm::imageSize>(), 21),
    // Naming and file times
    Mask("--FILENAME-MASK", FieldOf<&S::advanced, &Adv::filenameMask>()),
    Keyword("--FILE-TIMESTAMP", FieldOf<&S::advanced, &Adv::fileTimestamp>(), 22),
    Number("--FILE-TIMESTAMP-CUSTOM", FieldOf<&S::advanced, &Adv::customTimestamp>()),
    Switch("--NO-SUBFOLDERS", FieldOf<&S::advanced, &Adv::keepSubfolders>(), 0),
};

static_assert(std::size(kOptions) == 105);

// Every kind writes one type of field: numbers, keywords and switches an integer, the
// decimal a float, text a string.
constexpr bool KindFitsField(const ImageOption& option) {
  const bool integer = std::holds_alternative<FieldAccess<std::int32_t>>(option.field) ||
                       std::holds_alternative<FieldAccess<std::int8_t>>(option.field);
  switch (option.kind) {
    case K::Number:
    case K::Keyword:
    case K::Switch:
      return integer;
    case K::Decimal:
      return std::holds_alternative<FieldAccess<float>>(option.field);
    case K::Text:
    case K::Mask:
      return std::holds_alternative<FieldAccess<std::string>>(option.field);
  }
  return false;
}

constexpr bool TableIsConsistent() {
  for (const ImageOption& option : kOptions) {
    if (!KindFitsField(option)) return false;
    if ((option.kind == K::Keyword) != (option.keywordList >= 0)) return false;
  }
  return true;
}
static_assert(TableIsConsistent());

// Stores an already converted number in the width of the field that receives it.
void StoreInteger(const SettingField& field, std::int64_t value, Settings& settings) {
  if (const auto* wide = std::get_if<FieldAccess<std::int32_t>>(&field)) {
    wide->get(settings) = ToInt32(value);
  } else if (const auto* narrow = std::get_if<FieldAccess<std::int8_t>>(&field)) {
    narrow->get(settings) = ToInt8(value);
  }
}

void StoreDecimal(const SettingField& field, float value, Settings& settings) {
  if (const auto* access = std::get_if<FieldAccess<float>>(&field)) access->get(settings) = value;
}

void StoreText(const SettingField& field, std::string_view text, Settings& settings) {
  if (const auto* access = std::get_if<FieldAccess<std::string>>(&field)) access->get(settings) = text;
}

}  // namespace

std::span<const ImageOption> ImageOptions() { return kOptions; }

const ImageOption* FindImageOption(std::string_view upperName) {
  for (const ImageOption& option : kOptions) {
    if (option.name == upperName) return &option;
  }
  return nullptr;
}

const ImageOption* FindProfileOption(std::string_view upperName) {
  for (const ImageOption& option : kOptions) {
    if (ImageOptionName(option, OptionSource::Profile) == upperName) return &option;
  }
  return nullptr;
}

std::string_view ImageOptionName(const ImageOption& option, OptionSource source) {
  return source == OptionSource::Profile && !option.profileName.empty() ? option.profileName : option.name;
}

bool ImageOptionTakesText(const ImageOption& option) {
  return option.kind == K::Text || option.kind == K::Mask;
}

bool ImageOptionIsSwitch(const ImageOption& option) { return option.kind == K::Switch; }

void ApplyImageOption(const ImageOption& option, std::string_view value, Settings& settings,
                      OptionSource source) {
  if (option.stage.get != nullptr) option.stage.get(settings) = option.stageValue;
  switch (option.kind) {
    case K::Number:
      StoreInteger(option.field, ParseIntegerValue(value), settings);
      break;
    case K::Decimal:
      StoreDecimal(option.field, ParseGammaValue(value), settings);
      break;
    case K::Keyword:
      StoreInteger(option.field, KeywordToCode(option.keywordList, TrimBlanks(value)), settings);
      break;
    case K::Text:
      StoreText(option.field, source == OptionSource::Profile ? value : StripDoubleQuotes(value), settings);
      break;
    case K::Mask:
      StoreText(option.field, StripDoubleQuotes(value), settings);
      break;
    case K::Switch:
      StoreInteger(option.field, option.switchValue, settings);
      break;
  }
}

}  // namespace rastrel
