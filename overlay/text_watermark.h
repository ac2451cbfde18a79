// The text watermark: a box of one or more lines on a background, drawn per page into a
// raster the size of the box.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/context.h"
#include "overlay/raster.h"
#include "overlay/watermark_font.h"
#include "settings/settings.h"

namespace rastrel {

// The text with the file-name placeholders replaced by the values of the current file and
// page. A text with fewer than two "%" is returned as it is; otherwise each placeholder
// that the original text contains (in any letter case) is replaced everywhere in turn.
std::string ExpandWatermarkText(const std::string& text, const ConversionContext& context);

// The lines of a text cut at every "%eol%" in any letter case; an empty piece is an empty
// line.
std::vector<std::string> SplitWatermarkLines(const std::string& text);

// Where a line of `lineWidth` starts in a box of `boxWidth`: LEFT at the padding, CENTER
// centred (halves away from zero), RIGHT ending at the padding, any other alignment at 0.
int LineStartX(int lineWidth, int boxWidth, int alignment, int padding);

// The box's geometry before anything is drawn.
struct TextBoxLayout {
  int width = 0;   // BW
  int height = 0;  // BH
  std::vector<int> lineX;
  std::vector<int> lineY;
};

// The box raster for an already expanded text: the background at Back Opacity, the lines
// at Text Opacity, straight alpha. None without a font or when the box has no area (an
// empty text without padding). A negative padding counts as 0.
std::optional<Raster> RenderTextWatermark(const std::string& expandedText, const WatermarkFont* font,
                                          const WatermarkSettings& settings);

// The geometry RenderTextWatermark draws with; none where it would draw nothing.
std::optional<TextBoxLayout> LayOutTextBox(const std::string& expandedText, const WatermarkFont& font,
                                           const WatermarkSettings& settings);

}  // namespace rastrel
