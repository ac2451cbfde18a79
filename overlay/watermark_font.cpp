#include "overlay/watermark_font.h"

#include <cmath>
#include <vector>

namespace rastrel {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The faces the settings offer by default. fontconfig files Tahoma and Verdana only under
// "sans-serif", exactly as it files a name it has never heard of, and Arial reaches
// Liberation Sans only where the metric aliases are configured; so the project names the
// faces it installs for them (fonts-liberation, fonts-dejavu-core) itself.
struct FaceSubstitute {
  std::string_view face;
  std::string_view substitute;
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"Arial", "Liberation Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
};

// Whether fontconfig finds `face` itself or a face bound to the name as strongly as the
// name (its own aliases), as opposed to one from the weak generic fallback list.
bool FontconfigHasFace(const std::string& face) {
  FcPatternHandle pattern(FcPatternCreate());
  if (!pattern) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return false;
  FcDefaultSubstitute(pattern.get());

  std::vector<std::string> bound;
  FcPatternIter iter;
  if (FcPatternFindIter(pattern.get(), &iter, FC_FAMILY)) {
    const int count = FcPatternIterValueCount(pattern.get(), &iter);
    for (int i = 0; i < count; ++i) {
      FcValue value;
      FcValueBinding binding;
      if (FcPatternIterGetValue(pattern.get(), &iter, i, &value, &binding) != FcResultMatch) continue;
      if (value.type == FcTypeString && binding != FcValueBindingWeak) {
        bound.emplace_back(reinterpret_cast<const char*>(value.u.s));
      }
    }
  }

  FcResult result = FcResultNoMatch;
  FcPatternHandle match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match) return false;
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    for (const std::string& name : bound) {
      if (SameName(reinterpret_cast<const char*>(family), name)) return true;
    }
  }
  return false;
}

void SetFontOptions(PangoContext* context, TextMode mode) {
  CairoFontOptions options(cairo_font_options_create());
  if (mode == TextMode::kRaster) {
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
  } else {
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  }
  pango_cairo_context_set_font_options(context, options.get());
  pango_context_set_round_glyph_positions(context, mode == TextMode::kRaster);
}

}  // namespace

int FontPixelSize(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

std::optional<std::string> ResolveFontFamily(std::string_view face) {
  if (face.empty()) return std::nullopt;
  const std::string name(face);
  // A comma would make pango read a list of faces; a name with one is not a face name.
  if (name.find(',') != std::string::npos) return std::nullopt;
  if (FontconfigHasFace(name)) return name;
  for (const FaceSubstitute& entry : kFaceSubstitutes) {
    if (SameName(entry.face, face) && FontconfigHasFace(std::string(entry.substitute))) {
      return name + "," + std::string(entry.substitute);
    }
  }
  return std::nullopt;
}

std::optional<WatermarkFont> LoadWatermarkFont(const WatermarkSettings& settings) {
  WatermarkFont font;
  // An em of half cairo's largest raster side is already far taller than any page; beyond
  // it freetype and pango give up on their own, and the user should hear of it up front.
  constexpr int kLargestPoints = 12288;  // 16384 pixels
  if (settings.fontSize < 1 || settings.fontSize > kLargestPoints) return std::nullopt;
  font.pixelSize = FontPixelSize(settings.fontSize);
  std::optional<std::string> family = ResolveFontFamily(settings.font);
  if (!family) return std::nullopt;
  font.family = *family;
  font.bold = settings.fontStyle == 1 || settings.fontStyle == 3;
  font.italic = settings.fontStyle == 2 || settings.fontStyle == 3;
  font.underline = settings.fontEffect == 1;
  font.strikethrough = settings.fontEffect == 2;

  font.description.reset(pango_font_description_new());
  if (!font.description) return std::nullopt;
  pango_font_description_set_family(font.description.get(), font.family.c_str());
  pango_font_description_set_weight(font.description.get(),
                                    font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font.description.get(),
                                   font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(font.description.get(), font.pixelSize * PANGO_SCALE);
  return font;
}

PangoLayoutHandle MakeLineLayout(cairo_t* scratch, const WatermarkFont& font, std::string_view line,
                                 TextMode mode) {
  // A fresh context per layout: pango's font map is per thread, the context is per call,
  // so layouts on different workers share nothing mutable.
  PangoLayoutHandle layout(pango_cairo_create_layout(scratch));
  if (!layout) return layout;
  SetFontOptions(pango_layout_get_context(layout.get()), mode);
  pango_layout_context_changed(layout.get());
  pango_layout_set_font_description(layout.get(), font.description.get());
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  if (font.underline || font.strikethrough) {
    PangoAttrListHandle attributes(pango_attr_list_new());
    if (font.underline)
      pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikethrough) pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attributes.get());
  }
  pango_layout_set_text(layout.get(), line.data(), static_cast<int>(line.size()));
  return layout;
}

TextExtent MeasureLine(PangoLayout* layout, std::string_view line, TextMode mode) {
  if (line.empty() || layout == nullptr) return {};
  PangoRectangle logical;
  if (mode == TextMode::kRaster) {
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return {logical.width, logical.height};
  }
  pango_layout_get_extents(layout, nullptr, &logical);
  return {static_cast<int>(std::lround(static_cast<double>(logical.width) / PANGO_SCALE)),
          static_cast<int>(std::lround(static_cast<double>(logical.height) / PANGO_SCALE))};
}

}  // namespace rastrel
