#include "settings/debug_echo.h"

#include <charconv>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "settings/setting_field.h"
#include "settings/vocabulary.h"

namespace rastrel {
namespace {

using S = Settings;
using In = InputSettings;
using Out = OutputSettings;
using Tr = TransformSettings;
using Adj = AdjustmentSettings;
using Fr = FrameSettings;
using Wm = WatermarkSettings;
using Adv = AdvancedSettings;

// One echoed line: the label, then the field (a code prints as its keyword), optionally a
// separator and a second field.
struct EchoRow {
  std::string_view label;
  SettingField field;
  int list = -1;
  std::string_view separator = {};
  SettingField second = {};
  int secondList = -1;
};

std::string FormatFloat(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  return std::string(buffer, result.ptr);
}

std::string FormatField(const SettingField& field, int list, const Settings& settings) {
  return std::visit(
      [&](const auto& access) -> std::string {
        const auto& value = access.read(settings);
        using T = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return value;
        } else if constexpr (std::is_same_v<T, float>) {
          return FormatFloat(value);
        } else {
          return list >= 0 ? CodeToKeyword(list, value) : std::to_string(value);
        }
      },
      field);
}

std::string FormatRow(const EchoRow& row, const Settings& settings) {
  std::string line(row.label);
  line += FormatField(row.field, row.list, settings);
  if (!row.separator.empty()) {
    line += row.separator;
    line += FormatField(row.second, row.secondList, settings);
  }
  return line;
}

// Input family settings.
constexpr EchoRow kDdsRows[] = {{"DDS Load As: ", FieldOf<&S::input, &In::ddsLoadAs>(), 0}};
constexpr EchoRow kGifRows[] = {{"GIF Frame Loading: ", FieldOf<&S::input, &In::gifFrameLoading>(), 2}};
constexpr EchoRow kIcoRows[] = {{"ICO Frame Loading: ", FieldOf<&S::input, &In::icoFrameLoading>(), 2}};
constexpr EchoRow kPsdRows[] = {{"PSD Color Mode: ", FieldOf<&S::input, &In::psdColorMode>(), 6}};
constexpr EchoRow kRawRows[] = {
    {"RAW Load As: ", FieldOf<&S::input, &In::rawLoadAs>(), 1},
    {"RAW Header Size: ", FieldOf<&S::input, &In::rawHeaderSize>()},
    {"RAW Image Width: ", FieldOf<&S::input, &In::rawImageWidth>()},
    {"RAW Image Height: ", FieldOf<&S::input, &In::rawImageHeight>()},
    {"RAW Tone Mapping: ", FieldOf<&S::input, &In::rawToneMapping>(), 3},
};
constexpr EchoRow kTiffRows[] = {{"TIFF Frame Loading: ", FieldOf<&S::input, &In::tiffFrameLoading>(), 2}};

struct FamilyEcho {
  std::string_view family;
  std::span<const EchoRow> rows;
};
constexpr FamilyEcho kFamilies[] = {{"dds", kDdsRows}, {"gif", kGifRows}, {"ico", kIcoRows},
                                    {"psd", kPsdRows}, {"raw", kRawRows}, {"tiff", kTiffRows}};

// Output format settings: the depth line comes first, its label built from the type's name.
constexpr EchoRow kBmpRows[] = {{"BMP Compression: ", FieldOf<&S::output, &Out::bmpCompression>(), 4},
                                {"BMP Color Table: ", FieldOf<&S::output, &Out::bmpColorTable>(), 5}};
constexpr EchoRow kExrRows[] = {{"EXR Compression: ", FieldOf<&S::output, &Out::exrCompression>(), 4}};
constexpr EchoRow kJpgRows[] = {{"JPG Quality: ", FieldOf<&S::output, &Out::jpgQuality>()},
                                {"JPG Chroma Subsampling: ", FieldOf<&S::output, &Out::jpgChroma>(), 7},
                                {"JPG Save As: ", FieldOf<&S::output, &Out::jpgSaveAs>(), 8}};
constexpr EchoRow kPngRows[] = {{"PNG Compression: ", FieldOf<&S::output, &Out::pngCompression>(), 4},
                                {"PNG Interlaced: ", FieldOf<&S::output, &Out::pngInterlaced>()}};
constexpr EchoRow kTgaRows[] = {{"TGA Compression: ", FieldOf<&S::output, &Out::tgaCompression>(), 4}};
constexpr EchoRow kTiffOutRows[] = {{"TIFF Compression: ", FieldOf<&S::output, &Out::tiffCompression>(), 4},
                                    {"TIFF Color Mode: ", FieldOf<&S::output, &Out::tiffColorMode>(), 6}};
constexpr EchoRow kWebpRows[] = {{"WEBP Quality: ", FieldOf<&S::output, &Out::webpQuality>()}};

struct FormatEcho {
  std::string_view type;
  FieldAccess<std::int32_t> depth;
  std::span<const EchoRow> rows = {};
  FieldAccess<std::int32_t> quality = {};  // refused outside 1..100
};
constexpr FormatEcho kFormats[] = {
    {"bmp", FieldOf<&S::output, &Out::bmpBpp>(), kBmpRows},
    {"dds", FieldOf<&S::output, &Out::ddsBpp>()},
    {"exr", FieldOf<&S::output, &Out::exrBpp>(), kExrRows},
    {"gif", FieldOf<&S::output, &Out::gifBpp>()},
    {"hdr", FieldOf<&S::output, &Out::hdrBpp>()},
    {"ico", FieldOf<&S::output, &Out::icoBpp>()},
    {"j2k", FieldOf<&S::output, &Out::j2kBpp>()},
    {"jng", FieldOf<&S::output, &Out::jngBpp>()},
    {"jp2", FieldOf<&S::output, &Out::jp2Bpp>()},
    {"jpg", FieldOf<&S::output, &Out::jpgBpp>(), kJpgRows, FieldOf<&S::output, &Out::jpgQuality>()},
    {"jxr", FieldOf<&S::output, &Out::jxrBpp>()},
    {"pbm", FieldOf<&S::output, &Out::pbmBpp>()},
    {"pcx", FieldOf<&S::output, &Out::pcxBpp>()},
    {"pfm", FieldOf<&S::output, &Out::pfmBpp>()},
    {"pgm", FieldOf<&S::output, &Out::pgmBpp>()},
    {"png", FieldOf<&S::output, &Out::pngBpp>(), kPngRows},
    {"ppm", FieldOf<&S::output, &Out::ppmBpp>()},
    {"psd", FieldOf<&S::output, &Out::psdBpp>()},
    {"tga", FieldOf<&S::output, &Out::tgaBpp>(), kTgaRows},
    {"tiff", FieldOf<&S::output, &Out::tiffBpp>(), kTiffOutRows},
    {"wbmp", FieldOf<&S::output, &Out::wbmpBpp>()},
    {"webp", FieldOf<&S::output, &Out::webpBpp>(), kWebpRows, FieldOf<&S::output, &Out::webpQuality>()},
    {"xpm", FieldOf<&S::output, &Out::xpmBpp>()},
};

constexpr EchoRow kRotationRows[] = {
    {"Image Rotation Type: ", FieldOf<&S::transform, &Tr::imageRotationType>(), 9},
    {"Image Rotation: ", FieldOf<&S::transform, &Tr::imageRotation>()},
    {"Image Rotation Back Color: ", FieldOf<&S::transform, &Tr::imageRotationBackColor>()},
};
constexpr EchoRow kWidthRow = {"Width: ", FieldOf<&S::transform, &Tr::imageWidth>(),     -1,
                               " ",       FieldOf<&S::transform, &Tr::imageWidthUnit>(), 10};
constexpr EchoRow kHeightRow = {"Height: ", FieldOf<&S::transform, &Tr::imageHeight>(),     -1,
                                " ",        FieldOf<&S::transform, &Tr::imageHeightUnit>(), 10};
constexpr EchoRow kResizeRows[] = {
    {"Keep Aspect Ratio: ", FieldOf<&S::transform, &Tr::keepAspectRatio>()},
    {"Image Resize Type: ", FieldOf<&S::transform, &Tr::imageResizeType>(), 11},
    {"Image Resize Algorithm: ", FieldOf<&S::transform, &Tr::imageResizeAlgorithm>(), 12},
};
constexpr EchoRow kFlipRows[] = {
    {"Flip Horizontal: ", FieldOf<&S::transform, &Tr::doImageFlipHorizontal>()},
    {"Flip Vertical: ", FieldOf<&S::transform, &Tr::doImageFlipVertical>()},
};
constexpr EchoRow kBrightnessRow = {"Brightness: ", FieldOf<&S::adjustment, &Adj::imageBrightness>()};
constexpr EchoRow kContrastRow = {"Contrast: ", FieldOf<&S::adjustment, &Adj::imageContrast>()};
constexpr EchoRow kGammaRow = {"Gamma: ", FieldOf<&S::adjustment, &Adj::imageGamma>()};
constexpr EchoRow kInvertRow = {"Invert: ", FieldOf<&S::adjustment, &Adj::imageInvert>()};
constexpr EchoRow kGreyscaleRow = {"Greyscale: ", FieldOf<&S::adjustment, &Adj::doImageGreyscale>()};
constexpr EchoRow kThresholdRow = {"Image Threshold: ", FieldOf<&S::adjustment, &Adj::imageThreshold>()};
constexpr EchoRow kDitherRow = {
    "Image Dithering Algorithm: ", FieldOf<&S::adjustment, &Adj::imageDitherAlgorithm>(), 13};

constexpr EchoRow kFrameRow = {"Frame: ", FieldOf<&S::frame, &Fr::doFrame>(), kFrameKindList};
constexpr EchoRow kSolidFrameRows[] = {
    {"Frame left: ", FieldOf<&S::frame, &Fr::solidLeft>()},
    {"Frame right: ", FieldOf<&S::frame, &Fr::solidRight>()},
    {"Frame top: ", FieldOf<&S::frame, &Fr::solidTop>()},
    {"Frame bottom: ", FieldOf<&S::frame, &Fr::solidBottom>()},
    {"Frame left color: ", FieldOf<&S::frame, &Fr::solidLeftColor>()},
    {"Frame right color: ", FieldOf<&S::frame, &Fr::solidRightColor>()},
    {"Frame top color: ", FieldOf<&S::frame, &Fr::solidTopColor>()},
    {"Frame bottom color: ", FieldOf<&S::frame, &Fr::solidBottomColor>()},
    {"Frame opacity: ", FieldOf<&S::frame, &Fr::solidOpacity>()},
};

constexpr EchoRow kWatermarkRow = {"Watermark: ", FieldOf<&S::watermark, &Wm::doWatermark>(),
                                   kWatermarkKindList};
constexpr EchoRow kTextWatermarkRows[] = {
    {"Watermark text: ", FieldOf<&S::watermark, &Wm::text>()},
    {"Watermark font: ", FieldOf<&S::watermark, &Wm::font>()},
    {"Watermark font size: ", FieldOf<&S::watermark, &Wm::fontSize>()},
    {"Watermark font leading: ", FieldOf<&S::watermark, &Wm::fontLeading>()},
    {"Watermark font color: ", FieldOf<&S::watermark, &Wm::fontColor>()},
    {"Watermark font style: ", FieldOf<&S::watermark, &Wm::fontStyle>(), 16},
    {"Watermark font effect: ", FieldOf<&S::watermark, &Wm::fontEffect>(), 17},
    {"Watermark text antialiasing: ", FieldOf<&S::watermark, &Wm::textAntialiasing>()},
    {"Watermark text alignment: ", FieldOf<&S::watermark, &Wm::textAlignment>(), 18},
    {"Watermark text padding: ", FieldOf<&S::watermark, &Wm::textPadding>()},
    {"Watermark text opacity: ", FieldOf<&S::watermark, &Wm::textOpacity>()},
    {"Watermark background color: ", FieldOf<&S::watermark, &Wm::backColor>()},
    {"Watermark background opacity: ", FieldOf<&S::watermark, &Wm::backOpacity>()},
    {"Watermark boundary: ", FieldOf<&S::watermark, &Wm::textBoundary>(), 19},
    {"Watermark position: ", FieldOf<&S::watermark, &Wm::textPosition>(), 20},
    {"Watermark offset (x/y): ", FieldOf<&S::watermark, &Wm::textXOffset>(), -1, "/",
     FieldOf<&S::watermark, &Wm::textYOffset>()},
    {"Watermark rotation: ", FieldOf<&S::watermark, &Wm::textRotation>()},
    {"Watermark size/mode: ", FieldOf<&S::watermark, &Wm::textSize>(), 21},
};
constexpr EchoRow kImageWatermarkRows[] = {
    {"Watermark image: ", FieldOf<&S::watermark, &Wm::image>()},
    {"Watermark greyscale: ", FieldOf<&S::watermark, &Wm::imageGreyscale>()},
    {"Watermark opacity: ", FieldOf<&S::watermark, &Wm::imageOpacity>()},
    {"Watermark boundary: ", FieldOf<&S::watermark, &Wm::imageBoundary>(), 19},
    {"Watermark position: ", FieldOf<&S::watermark, &Wm::imagePosition>(), 20},
    {"Watermark offset (x/y): ", FieldOf<&S::watermark, &Wm::imageXOffset>(), -1, "/",
     FieldOf<&S::watermark, &Wm::imageYOffset>()},
    {"Watermark rotation: ", FieldOf<&S::watermark, &Wm::imageRotation>()},
    {"Watermark size/mode: ", FieldOf<&S::watermark, &Wm::imageSize>(), 21},
};

constexpr EchoRow kMaskRow = {"Filename Mask: ", FieldOf<&S::advanced, &Adv::filenameMask>()};
constexpr EchoRow kTimestampRow = {"File Timestamp: ", FieldOf<&S::advanced, &Adv::fileTimestamp>(), 22};
constexpr EchoRow kCustomTimestampRow = {"Custom Timestamp: ",
                                         FieldOf<&S::advanced, &Adv::customTimestamp>()};
constexpr EchoRow kKeepSubfoldersRow = {"Keep Subfolders: ", FieldOf<&S::advanced, &Adv::keepSubfolders>()};

constexpr int kFileTimestampCustom = 2;

class Script {
 public:
  explicit Script(const Settings& settings) : settings_(settings) {}

  void Line(const EchoRow& row) { steps_.push_back({EchoStepKind::Line, FormatRow(row, settings_)}); }
  void Text(std::string line) { steps_.push_back({EchoStepKind::Line, std::move(line)}); }
  void Lines(std::span<const EchoRow> rows) {
    for (const EchoRow& row : rows) Line(row);
  }
  void Check(EchoStepKind kind, std::string text, std::int32_t depth = 0) {
    steps_.push_back({kind, std::move(text), depth});
  }
  // Records the refusal when `refused`; the script ends there.
  bool Refuse(bool refused, std::string_view text) {
    if (refused) steps_.push_back({EchoStepKind::Refusal, std::string(text)});
    return refused;
  }
  std::vector<EchoStep> Take() { return std::move(steps_); }

 private:
  const Settings& settings_;
  std::vector<EchoStep> steps_;
};

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool OutsideQuality(std::int32_t quality) { return quality < 1 || quality > 100; }
bool OutsidePercent(std::int32_t value) { return value < -100 || value > 100; }

// Returns false when the script ended with a refusal.
bool EchoOutputFormat(Script& script, const Settings& s, std::string_view type) {
  for (const FormatEcho& format : kFormats) {
    if (format.type != type) continue;
    const std::string name(type);
    const std::int32_t depth = format.depth.read(s);
    script.Text(UpperAscii(type) + " BPP: " + std::to_string(depth));
    script.Lines(format.rows);
    script.Check(EchoStepKind::DepthCheck, "Error: Invalid " + name + "-bpp value", depth);
    return format.quality.read == nullptr || !script.Refuse(OutsideQuality(format.quality.read(s)),
                                                            "Error: Invalid " + name + "-quality value");
  }
  return true;
}

}  // namespace

std::vector<EchoStep> SettingsEchoSteps(const Settings& s, std::string_view inputFamily,
                                        std::string_view conversionType) {
  Script script(s);
  for (const FamilyEcho& family : kFamilies) {
    if (family.family == inputFamily) script.Lines(family.rows);
  }
  if (!EchoOutputFormat(script, s, conversionType)) return script.Take();

  if (s.transform.doImageRotation != 0) script.Lines(kRotationRows);
  if (s.transform.doImageResize != 0) {
    script.Line(kWidthRow);
    if (script.Refuse(s.transform.imageWidth == 0, "Error: Invalid width value")) return script.Take();
    script.Line(kHeightRow);
    if (script.Refuse(s.transform.imageHeight == 0, "Error: Invalid height value")) return script.Take();
    script.Lines(kResizeRows);
  }
  script.Lines(kFlipRows);
  if (s.adjustment.doImageColorCorrection != 0) {
    const AdjustmentSettings& a = s.adjustment;
    script.Line(kBrightnessRow);
    if (script.Refuse(OutsidePercent(a.imageBrightness), "Error: Invalid brightness value"))
      return script.Take();
    script.Line(kContrastRow);
    if (script.Refuse(OutsidePercent(a.imageContrast), "Error: Invalid contrast value")) return script.Take();
    script.Line(kGammaRow);
    // Written so that NaN is refused too: no comparison with NaN holds.
    const bool gammaInRange = a.imageGamma >= 0.01f && a.imageGamma <= 9.99f;
    if (script.Refuse(!gammaInRange, "Error: Invalid gamma value")) return script.Take();
    script.Line(kInvertRow);
  }
  script.Line(kGreyscaleRow);
  if (s.adjustment.doImageThreshold != 0) script.Line(kThresholdRow);
  if (s.adjustment.doImageDither != 0) script.Line(kDitherRow);

  script.Line(kFrameRow);
  if (s.frame.doFrame == 1) script.Lines(kSolidFrameRows);

  script.Line(kWatermarkRow);
  if (s.watermark.doWatermark == 1) {
    script.Lines(kTextWatermarkRows);
    script.Check(EchoStepKind::WatermarkFontCheck, "Error: Invalid watermark font");
  } else if (s.watermark.doWatermark == 2) {
    script.Lines(kImageWatermarkRows);
    script.Check(EchoStepKind::WatermarkImageCheck, "Error: Invalid watermark image");
  }

  script.Line(kMaskRow);
  script.Line(kTimestampRow);
  if (s.advanced.fileTimestamp == kFileTimestampCustom) script.Line(kCustomTimestampRow);
  script.Line(kKeepSubfoldersRow);
  return script.Take();
}

}  // namespace rastrel
