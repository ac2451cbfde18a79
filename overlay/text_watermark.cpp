#include "overlay/text_watermark.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "engine/naming.h"
#include "overlay/blend.h"
#include "overlay/cairo_handles.h"
#include "overlay/colour_text.h"

namespace rastrel {
namespace {

constexpr std::string_view kLineBreak = "%eol%";

// In the order the file-name mask expands them; a value inserted by an earlier one is
// searched by the later ones.
constexpr std::array<std::string_view, 19> kPlaceholders = {
    "%filename%", "%filename[u]%", "%filename[l]%", "%filename[t]%", "%ext%", "%ext[u]%", "%ext[t]%",
    "%yyyy%",     "%mm%",          "%dd%",          "%hh%",          "%ii%",  "%ss%",     "%bpp%",
    "%width%",    "%height%",      "%frame%",       "%rnd%",         "%n%"};

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Smallest width and line height of a box of several lines.
constexpr int kMinimumMultiLineExtent = 10;

struct LaidOutText {
  TextBoxLayout box;
  TextMode mode = TextMode::kRaster;
  std::vector<std::string> lines;
  std::vector<PangoLayoutHandle> layouts;  // in the drawing mode, one per line
};

std::optional<LaidOutText> LayOut(const std::string& text, const WatermarkFont& font,
                                  const WatermarkSettings& settings) {
  CairoSurface scratchSurface = MakeImageSurface(CAIRO_FORMAT_A8, 1, 1);
  if (!scratchSurface) return std::nullopt;
  CairoContext scratch = MakeContext(scratchSurface.get());
  if (!scratch) return std::nullopt;

  LaidOutText out;
  out.mode = settings.textAntialiasing == 0 ? TextMode::kRaster : TextMode::kVector;
  out.lines = SplitWatermarkLines(text);
  const int padding = std::max(0, settings.textPadding);
  const int count = static_cast<int>(out.lines.size()) - 1;  // line breaks

  // The box is measured with raster text whichever way it is drawn.
  std::vector<TextExtent> raster;
  for (const std::string& line : out.lines) {
    PangoLayoutHandle layout = MakeLineLayout(scratch.get(), font, line, TextMode::kRaster);
    if (!layout) return std::nullopt;
    raster.push_back(MeasureLine(layout.get(), line, TextMode::kRaster));
    if (out.mode == TextMode::kRaster) out.layouts.push_back(std::move(layout));
  }
  int width = 0;
  int height = 0;
  int step = 0;
  if (count == 0) {
    const TextExtent only = raster.empty() ? TextExtent{} : raster.front();
    width = only.width;
    height = only.height;
  } else {
    int lineHeight = kMinimumMultiLineExtent;
    width = kMinimumMultiLineExtent;
    for (const TextExtent& extent : raster) {
      width = std::max(width, extent.width);
      lineHeight = std::max(lineHeight, extent.height);
    }
    step = lineHeight + settings.fontLeading;
    height = lineHeight + count * step;
  }
  out.box.width = width + 2 * padding;
  out.box.height = height + 2 * padding;
  if (out.box.width <= 0 || out.box.height <= 0) return std::nullopt;

  for (std::size_t i = 0; i < out.lines.size(); ++i) {
    int lineWidth = raster[i].width;
    if (out.mode == TextMode::kVector) {
      PangoLayoutHandle layout = MakeLineLayout(scratch.get(), font, out.lines[i], TextMode::kVector);
      if (!layout) return std::nullopt;
      lineWidth = MeasureLine(layout.get(), out.lines[i], TextMode::kVector).width;
      out.layouts.push_back(std::move(layout));
    }
    // A single line sits at the padding whatever the alignment.
    out.box.lineX.push_back(
        count == 0 ? padding : LineStartX(lineWidth, out.box.width, settings.textAlignment, padding));
    out.box.lineY.push_back(padding + static_cast<int>(i) * step);
  }
  return out;
}

}  // namespace

std::string ExpandWatermarkText(const std::string& text, const ConversionContext& context) {
  if (std::count(text.begin(), text.end(), '%') < 2) return text;
  const std::string lower = LowerAscii(text);
  std::string expanded = text;
  for (std::string_view placeholder : kPlaceholders) {
    if (lower.find(placeholder) != std::string::npos) {
      expanded = ExpandPlaceholder(expanded, placeholder, context);
    }
  }
  return expanded;
}

std::vector<std::string> SplitWatermarkLines(const std::string& text) {
  const std::string lower = LowerAscii(text);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = lower.find(kLineBreak); at != std::string::npos; at = lower.find(kLineBreak, start)) {
    lines.push_back(text.substr(start, at - start));
    start = at + kLineBreak.size();
  }
  lines.push_back(text.substr(start));
  return lines;
}

int LineStartX(int lineWidth, int boxWidth, int alignment, int padding) {
  switch (alignment) {
    case 0:
      return padding;
    case 1:
      return static_cast<int>(std::lround(static_cast<float>(boxWidth - lineWidth) / 2.0f));
    case 2:
      return boxWidth - lineWidth - padding;
    default:
      return 0;
  }
}

std::optional<TextBoxLayout> LayOutTextBox(const std::string& expandedText, const WatermarkFont& font,
                                           const WatermarkSettings& settings) {
  std::optional<LaidOutText> laidOut = LayOut(expandedText, font, settings);
  if (!laidOut) return std::nullopt;
  return std::move(laidOut->box);
}

std::optional<Raster> RenderTextWatermark(const std::string& expandedText, const WatermarkFont* font,
                                          const WatermarkSettings& settings) {
  if (font == nullptr) return std::nullopt;
  std::optional<LaidOutText> laidOut = LayOut(expandedText, *font, settings);
  if (!laidOut) return std::nullopt;
  const TextBoxLayout& box = laidOut->box;

  // Glyph coverage of every line: 0 or 255 for raster text, antialiased for vector text.
  CairoSurface coverage = MakeImageSurface(CAIRO_FORMAT_A8, box.width, box.height);
  if (!coverage) return std::nullopt;
  {
    CairoContext cr = MakeContext(coverage.get());
    if (!cr) return std::nullopt;
    cairo_set_antialias(cr.get(),
                        laidOut->mode == TextMode::kRaster ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    for (std::size_t i = 0; i < laidOut->lines.size(); ++i) {
      if (laidOut->lines[i].empty()) continue;
      cairo_move_to(cr.get(), box.lineX[i], box.lineY[i]);
      pango_cairo_show_layout(cr.get(), laidOut->layouts[i].get());
    }
  }
  cairo_surface_flush(coverage.get());

  const int backOpacity = ClampToByte(settings.backOpacity);
  const int textOpacity = ClampToByte(settings.textOpacity);
  // Raster text fills the box with the back colour at its opacity, all four channels;
  // vector text draws the opaque background onto a transparent box at that opacity. They
  // differ only in the colour under a fully transparent background.
  const Rgba back = laidOut->mode == TextMode::kRaster
                        ? ParseHexColor(settings.backColor, backOpacity)
                        : BlendOver(0, ParseHexColor(settings.backColor, 255), backOpacity);
  const Rgba text = ParseHexColor(settings.fontColor, 255);
  std::optional<Raster> raster = MakeRaster(box.width, box.height, back);
  if (!raster) return std::nullopt;

  const unsigned char* data = cairo_image_surface_get_data(coverage.get());
  const int stride = cairo_image_surface_get_stride(coverage.get());
  for (int y = 0; y < box.height; ++y) {
    const unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < box.width; ++x) {
      // The glyph's coverage is the text's alpha, faded to Text Opacity, laid over the back.
      if (row[x] != 0)
        raster->At(x, y) = BlendOver(back, (text & 0x00FFFFFFu) | Rgba{row[x]} << 24, textOpacity);
    }
  }
  return raster;
}

}  // namespace rastrel
