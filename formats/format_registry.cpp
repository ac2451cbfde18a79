#include "formats/format_registry.h"

#include <FreeImage.h>

#include <algorithm>
#include <charconv>

#include "formats/product.h"

namespace rastrel {
namespace {

struct InputRow {
  std::string_view family;
  std::string_view description;
  std::string_view extensions;  // comma-separated
};

// 79 extensions in 16 families. Several rows may share a family: they load the same way
// but are described differently.
constexpr InputRow kInputTable[] = {
    {"bmp", "Windows or OS/2 Bitmap", "bmp,rle,dib"},
    {"dds", "DirectDraw Surface File", "dds"},
    {"emf", "Enhanced Metafile Format", "emf,emz"},
    {"gif", "GIF File", "gif"},
    {"hdr", "High Dynamic Range File", "hdr,hdri"},
    {"ico", "Windows Icon", "ico"},
    {"jpg", "JPEG File", "jpg,jpeg,jpe,jif"},
    {"pcd", "Kodak PhotoCD File", "pcd,pcd1,pcds,ppcd"},
    {"pcx", "ZSoft Paintbrush File", "pcx"},
    {"pic", "Macintosh PICT", "pic,pict,pct"},
    {"png", "Portable Network Graphics", "png"},
    {"psd", "Adobe Photoshop File", "psd"},
    {"tga", "Truevision Targa", "tga,targa"},
    {"tiff", "Tagged Image File Format", "tiff,tif"},
    {"wmf", "Windows Metafile Format", "wmf,wmz"},
    {"wmf", "Aldus Placeable Metafile", "apm"},
    {"raw", "Camera RAW Image", "raw,raw1,raw2"},
    {"raw", "Hasselblad Camera RAW Image", "3fr"},
    {"raw", "Sony Camera RAW Image", "arw,sr2,srf"},
    {"raw", "Casio Camera RAW Image", "bay"},
    {"raw", "NuCore RAW Image", "bmq"},
    {"raw", "Phase One Camera RAW Image", "cap,iiq,eip"},
    {"raw", "Phantom RAW Image", "cine"},
    {"raw", "Canon Camera RAW Image", "cr2,crw"},
    {"raw", "Capture Shop RAW Image", "cs1"},
    {"raw", "Kodak Camera RAW Image", "dc2,dcr,drf,dsc,k25,kc2,kdc,dcs"},
    {"raw", "Adobe Digital Negative Image", "dng"},
    {"raw", "Epson Camera RAW Image", "erf"},
    {"raw", "Imacon Camera RAW Image", "fff"},
    {"raw", "Sinar RAW Image", "ia,sti"},
    {"raw", "Minolta Camera RAW Image", "mdc,mrw"},
    {"raw", "Mamiya Camera RAW Image", "mef,mos"},
    {"raw", "Nikon Camera RAW Image", "nef,nrw"},
    {"raw", "Olympus Camera RAW Image", "orf"},
    {"raw", "Pentax Camera RAW Image", "pef,ptx"},
    {"raw", "Logitech Camera RAW Image", "pxn"},
    {"raw", "Apple Quicktake Camera RAW Image", "qtk"},
    {"raw", "Fuji Camera RAW Image", "raf"},
    {"raw", "Digital Foto Maker RAW Image", "rdc"},
    {"raw", "Panasonic Camera RAW Image", "rw2"},
    {"raw", "Rawzor Camera RAW Image", "rwz"},
    {"raw", "Sigma Camera RAW Image", "x3f"},
    {"raw", "ARRI RAW Image", "ari"},
    {"raw", "RED RAW Image", "r3d"},
    {"raw", "Leica Camera RAW Image", "rwl"},
};

struct OutputRow {
  std::string_view extension;
  FREE_IMAGE_FORMAT formatId;
  std::string_view description;
  std::string_view allowedDepths;
  std::int32_t OutputSettings::*depthSetting;
};

constexpr OutputRow kOutputTable[] = {
    {"bmp", FIF_BMP, "Windows or OS/2 Bitmap", "1,4,8,16,24,32", &OutputSettings::bmpBpp},
    {"exr", FIF_EXR, "ILM OpenEXR", "96", &OutputSettings::exrBpp},
    {"gif", FIF_GIF, "Graphics Interchange Format", "8", &OutputSettings::gifBpp},
    {"hdr", FIF_HDR, "High Dynamic Range Image", "96", &OutputSettings::hdrBpp},
    {"ico", FIF_ICO, "Windows Icon", "1,4,8,16,24,32", &OutputSettings::icoBpp},
    {"j2k", FIF_J2K, "JPEG-2000 Codestream", "8,24,32,48", &OutputSettings::j2kBpp},
    {"jng", FIF_JNG, "JPEG Network Graphics", "24,32", &OutputSettings::jngBpp},
    {"jp2", FIF_JP2, "JPEG-2000 File Format", "8,24,32,48", &OutputSettings::jp2Bpp},
    {"jpg", FIF_JPEG, "JPEG File Format", "8,24", &OutputSettings::jpgBpp},
    {"jxr", FIF_JXR, "JPEG XR Image Format", "1,8,16,24,32,48,96", &OutputSettings::jxrBpp},
    {"pbm", FIF_PBM, "Portable Bitmap", "1", &OutputSettings::pbmBpp},
    {"pfm", FIF_PFM, "Portable Floatmap", "96", &OutputSettings::pfmBpp},
    {"pgm", FIF_PGM, "Portable Greymap", "8", &OutputSettings::pgmBpp},
    {"png", FIF_PNG, "Portable Network Graphics", "1,4,8,24,32,48", &OutputSettings::pngBpp},
    {"ppm", FIF_PPM, "Portable Pixelmap", "24,48", &OutputSettings::ppmBpp},
    {"tga", FIF_TARGA, "Truevision Targa", "8,16,24,32", &OutputSettings::tgaBpp},
    {"tiff", FIF_TIFF, "Tagged Image File Format", "1,4,8,24,32,48,96", &OutputSettings::tiffBpp},
    {"wbmp", FIF_WBMP, "Wireless Bitmap", "1", &OutputSettings::wbmpBpp},
    {"webp", FIF_WEBP, "Google WebP Image Format", "24,32", &OutputSettings::webpBpp},
    {"xpm", FIF_XPM, "X11 Pixmap Format", "24", &OutputSettings::xpmBpp},
};

// Formats with a depth setting of their own but no way to be written.
struct DepthOnlyRow {
  std::string_view extension;
  std::int32_t OutputSettings::*depthSetting;
};
constexpr DepthOnlyRow kDepthOnlyTable[] = {
    {"dds", &OutputSettings::ddsBpp},
    {"pcx", &OutputSettings::pcxBpp},
    {"psd", &OutputSettings::psdBpp},
};

std::vector<std::string_view> SplitCommas(std::string_view text) {
  std::vector<std::string_view> parts;
  while (!text.empty()) {
    const auto comma = text.find(',');
    parts.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return parts;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

template <typename Map>
const typename Map::mapped_type& FindOrEmpty(const Map& map, std::string_view key) {
  static const typename Map::mapped_type kEmpty{};
  const auto found = map.find(key);
  return found == map.end() ? kEmpty : found->second;
}

}  // namespace

FormatRegistry::FormatRegistry(std::span<const std::string_view> inputFamilies,
                               std::span<const std::string_view> outputFormats)
    : inputFamilies_(inputFamilies.begin(), inputFamilies.end()),
      outputFormats_(outputFormats.begin(), outputFormats.end()) {
  for (const InputRow& row : kInputTable) {
    for (std::string_view extension : SplitCommas(row.extensions)) {
      inputs_.emplace(std::string(extension),
                      InputFormat{std::string(row.family), std::string(row.description)});
      inputOrder_.emplace_back(extension);
    }
  }
  for (const OutputRow& row : kOutputTable) {
    OutputFormat format{static_cast<std::int32_t>(row.formatId),
                        std::string(row.extension),
                        std::string(row.description),
                        std::string(row.allowedDepths),
                        {}};
    for (std::string_view depth : SplitCommas(row.allowedDepths)) {
      int value = 0;
      std::from_chars(depth.data(), depth.data() + depth.size(), value);
      format.depths.push_back(value);
    }
    outputs_.emplace(std::string(row.extension), std::move(format));
    outputOrder_.emplace_back(row.extension);
  }
  for (const std::string& family : inputFamilies_) {
    for (const std::string& extension : inputOrder_) {
      if (inputs_.find(extension)->second.family == family) accepted_.push_back(extension);
    }
  }
}

const InputFormat& FormatRegistry::Input(std::string_view extension) const {
  return FindOrEmpty(inputs_, extension);
}

const OutputFormat& FormatRegistry::Output(std::string_view extension) const {
  return FindOrEmpty(outputs_, extension);
}

bool FormatRegistry::IsAcceptedExtension(std::string_view extension) const {
  return std::find(accepted_.begin(), accepted_.end(), extension) != accepted_.end();
}

bool FormatRegistry::IsProductOutputFormat(std::string_view extension) const {
  return std::find(outputFormats_.begin(), outputFormats_.end(), extension) != outputFormats_.end();
}

bool FormatRegistry::IsDepthAllowed(std::string_view extension, int depth) const {
  if (depth == 0) return true;
  const std::vector<int>& depths = Output(extension).depths;
  return std::find(depths.begin(), depths.end(), depth) != depths.end();
}

std::string FormatRegistry::InputFilterString(std::string_view allSupportedText,
                                              std::string_view allFilesText) const {
  std::string allPatterns;
  // Descriptions in the order first met; a later extension goes in front of earlier ones.
  std::vector<std::pair<std::string, std::string>> byDescription;
  for (const std::string& extension : accepted_) {
    const std::string pattern = "*." + extension;
    if (!allPatterns.empty()) allPatterns += ';';
    allPatterns += pattern;
    const std::string& description = Input(extension).description;
    auto kept = std::find_if(byDescription.begin(), byDescription.end(),
                             [&](const auto& entry) { return entry.first == description; });
    if (kept == byDescription.end()) {
      byDescription.emplace_back(description, pattern);
    } else {
      kept->second = pattern + ";" + kept->second;
    }
  }
  std::string filter(allSupportedText);
  filter += '|';
  filter += allPatterns;
  filter += '|';
  for (const auto& [description, patterns] : byDescription) {
    filter += description + "|" + patterns + "|";
  }
  filter += allFilesText;
  filter += " (*.*)|*.*";
  return filter;
}

std::vector<std::string> FormatRegistry::DepthChoices(std::string_view extension,
                                                      std::string_view autoText) const {
  std::vector<std::string> choices{std::string(autoText)};
  for (int depth : Output(extension).depths) choices.push_back(std::to_string(depth));
  return choices;
}

std::string FormatRegistry::OutputFormatLabel(std::string_view extension) const {
  return UpperAscii(extension) + " (" + Output(extension).description + ")";
}

const FormatRegistry& ProductRegistry() {
  static const FormatRegistry registry(kProductInputFamilies, kProductOutputFormats);
  return registry;
}

bool IsAcceptedExtension(std::string_view extension) {
  return ProductRegistry().IsAcceptedExtension(extension);
}

bool IsProductOutputFormat(std::string_view extension) {
  return ProductRegistry().IsProductOutputFormat(extension);
}

bool IsDepthAllowed(std::string_view extension, int depth) {
  return ProductRegistry().IsDepthAllowed(extension, depth);
}

std::string InputFilterString(std::string_view allSupportedText, std::string_view allFilesText) {
  return ProductRegistry().InputFilterString(allSupportedText, allFilesText);
}

std::vector<std::string> DepthChoices(std::string_view extension, std::string_view autoText) {
  return ProductRegistry().DepthChoices(extension, autoText);
}

std::string OutputFormatLabel(std::string_view extension) {
  return ProductRegistry().OutputFormatLabel(extension);
}

std::int32_t OutputSettings::*DepthSettingField(std::string_view extension) {
  for (const OutputRow& row : kOutputTable) {
    if (row.extension == extension) return row.depthSetting;
  }
  for (const DepthOnlyRow& row : kDepthOnlyTable) {
    if (row.extension == extension) return row.depthSetting;
  }
  return nullptr;
}

void PrepareConversionTarget(ConversionTarget& target, std::string_view extension,
                             const OutputSettings& output, std::int32_t saveFlags) {
  target.extension = std::string(extension);
  target.formatId = ProductRegistry().Output(extension).formatId;
  if (const auto field = DepthSettingField(extension)) {
    target.depth = output.*field;
    target.saveFlags = saveFlags;
  }
  target.automatic = target.depth == 0;
}

}  // namespace rastrel
