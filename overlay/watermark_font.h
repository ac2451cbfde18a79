// The watermark font: a face by name, size in points, style and effect, resolved through
// fontconfig once per batch and then only read, so every worker may lay out text with it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "overlay/cairo_handles.h"
#include "settings/settings.h"

namespace rastrel {

struct WatermarkFont {
  std::string family;  // what pango is asked for: the face, then a substitute where one is needed
  int pixelSize = 0;   // the em height in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  PangoFontDescriptionHandle description;
};

// Points to pixels at 96 dots per inch (no display is consulted), rounded to nearest.
int FontPixelSize(int points);

// The pango family list for a face name, or none when the name cannot be loaded. A name
// loads when fontconfig finds that face or one it binds to the name itself (Arial gives
// Liberation Sans through the metric aliases), or when the name is one of the common
// Windows faces we map ourselves. A name that would only reach fontconfig's generic
// fallback (any unknown name) or an empty name does not load: the user asked for a face
// the machine does not have, and silently drawing another one would hide that.
std::optional<std::string> ResolveFontFamily(std::string_view face);

// Loads Font, Font Size, Font Style and Font Effect; none when the face cannot be loaded
// or the size is not 1 to 12288 points (up to 16384 pixels).
std::optional<WatermarkFont> LoadWatermarkFont(const WatermarkSettings& settings);

// How text is put on a raster: raster text has coverage 0 or full and whole-pixel
// advances; vector text is antialiased with typographic (unrounded) advances.
enum class TextMode { kRaster, kVector };

struct TextExtent {
  int width = 0;
  int height = 0;
};

// A layout of one line of text, ready to measure and to draw with cairo. `scratch` is any
// cairo context; the layout keeps its own font options.
PangoLayoutHandle MakeLineLayout(cairo_t* scratch, const WatermarkFont& font, std::string_view line,
                                 TextMode mode);

// Width and height of one line: raster text gives the whole-pixel advance and the font's
// line height, vector text its width rounded to the nearest pixel. Both are 0 for an
// empty line.
TextExtent MeasureLine(PangoLayout* layout, std::string_view line, TextMode mode);

}  // namespace rastrel
