#include "overlay/frame.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "overlay/blend.h"
#include "overlay/cairo_handles.h"
#include "overlay/colour_text.h"
#include "overlay/hand_over.h"

namespace rastrel {
namespace {

struct Point {
  int x = 0;
  int y = 0;
};

struct Shape {
  std::array<Point, 4> corners;
  Rgba colour = 0;
};

struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The eight fills in drawing order. The corner squares go first and lie under the mitred
// joins, so a pixel the diagonal crosses is backed by a side colour and never shows the
// page through a seam. Coordinates lie on pixel edges: x from 0 to L covers columns 0..L-1.
std::array<Shape, 8> FrameShapes(const FrameBands& b, int w, int h, const FrameSettings& frame) {
  const Rgba left = ParseHexColor(frame.solidLeftColor, 255);
  const Rgba right = ParseHexColor(frame.solidRightColor, 255);
  const Rgba top = ParseHexColor(frame.solidTopColor, 255);
  const Rgba bottom = ParseHexColor(frame.solidBottomColor, 255);
  const int l = b.left, r = b.right, t = b.top, bt = b.bottom;
  return {{
      {{{{0, 0}, {l, 0}, {l, t}, {0, t}}}, top},
      {{{{w - r, 0}, {w, 0}, {w, t}, {w - r, t}}}, right},
      {{{{w - r, h - bt}, {w, h - bt}, {w, h}, {w - r, h}}}, bottom},
      {{{{0, h - bt}, {l, h - bt}, {l, h}, {0, h}}}, left},
      {{{{0, 0}, {w, 0}, {w - r, t}, {l, t}}}, top},
      {{{{w, 0}, {w, h}, {w - r, h - bt}, {w - r, t}}}, right},
      {{{{w, h}, {0, h}, {l, h - bt}, {w - r, h - bt}}}, bottom},
      {{{{0, h}, {0, 0}, {l, t}, {l, h - bt}}}, left},
  }};
}

// cairo keeps premultiplied native-endian ARGB; the overlays work in straight alpha.
Rgba Unpremultiply(std::uint32_t argb) {
  const int alpha = static_cast<int>(argb >> 24);
  if (alpha == 0) return 0;
  const auto channel = [alpha](std::uint32_t premultiplied) {
    return std::min(255, (static_cast<int>(premultiplied & 0xFF) * 255 + alpha / 2) / alpha);
  };
  return MakeRgba(channel(argb >> 16), channel(argb >> 8), channel(argb), alpha);
}

// Draws the part of the frame that falls into `box`. A full-opacity drawing layer onto a
// transparent surface is the same as drawing on the surface itself, so the shapes go
// straight onto it. None when cairo could not give a surface.
CairoSurface DrawFrameBox(const Box& box, const std::array<Shape, 8>& shapes) {
  CairoSurface surface = MakeImageSurface(CAIRO_FORMAT_ARGB32, box.width, box.height);
  if (!surface) return nullptr;
  CairoContext cr = MakeContext(surface.get());
  if (!cr) return nullptr;
  cairo_translate(cr.get(), -box.x, -box.y);
  for (const Shape& shape : shapes) {
    cairo_new_path(cr.get());
    cairo_move_to(cr.get(), shape.corners[0].x, shape.corners[0].y);
    for (std::size_t i = 1; i < shape.corners.size(); ++i) {
      cairo_line_to(cr.get(), shape.corners[i].x, shape.corners[i].y);
    }
    cairo_close_path(cr.get());
    cairo_set_source_rgb(cr.get(), RedOf(shape.colour) / 255.0, GreenOf(shape.colour) / 255.0,
                         BlueOf(shape.colour) / 255.0);
    cairo_fill(cr.get());
  }
  cairo_surface_flush(surface.get());
  return surface;
}

// Fades the drawn box to the frame's opacity (alpha = opacity x drawn alpha / 255, the
// colour as drawn) and composites it onto the page.
void CompositeFrameBox(FIBITMAP* page, const Box& box, cairo_surface_t* surface, int opacity) {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const int pageHeight = static_cast<int>(FreeImage_GetHeight(page));
  const unsigned bytesPerPixel = FreeImage_GetBPP(page) / 8;
  for (int row = 0; row < box.height; ++row) {
    const auto* drawn =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
    BYTE* pixel = FreeImage_GetScanLine(page, pageHeight - 1 - (box.y + row)) + box.x * bytesPerPixel;
    for (int column = 0; column < box.width; ++column, pixel += bytesPerPixel) {
      const Rgba colour = Unpremultiply(drawn[column]);
      CompositePixel(pixel, (colour & 0x00FFFFFFu) | static_cast<Rgba>(opacity * AlphaOf(colour) / 255)
                                                         << 24);
    }
  }
}

}  // namespace

FrameBands ClampFrameBands(const FrameSettings& frame, int width, int height) {
  FrameBands bands;
  bands.left = std::clamp(frame.solidLeft, 0, std::max(width, 0));
  bands.right = std::clamp(frame.solidRight, 0, std::max(width, 0) - bands.left);
  bands.top = std::clamp(frame.solidTop, 0, std::max(height, 0));
  bands.bottom = std::clamp(frame.solidBottom, 0, std::max(height, 0) - bands.top);
  return bands;
}

Bitmap ApplySolidFrame(Bitmap image, int width, int height, const Settings& settings) {
  const FrameSettings& frame = settings.frame;
  if (frame.doFrame == 0 || !image) return image;
  image = ToTwentyFourBits(std::move(image));
  if (frame.doFrame != 1 || !image) return image;

  // The page itself bounds every write, whatever sizes the caller passed.
  const int w = std::min(width, static_cast<int>(image.width()));
  const int h = std::min(height, static_cast<int>(image.height()));
  const int opacity = ClampToByte(frame.solidOpacity);
  if (w <= 0 || h <= 0 || opacity == 0) return image;

  const FrameBands b = ClampFrameBands(frame, w, h);
  const std::array<Shape, 8> shapes = FrameShapes(b, w, h, frame);
  const Box boxes[] = {
      {0, 0, w, b.top},
      {0, h - b.bottom, w, b.bottom},
      {0, b.top, b.left, h - b.top - b.bottom},
      {w - b.right, b.top, b.right, h - b.top - b.bottom},
  };
  // Everything is drawn before anything is composited: a surface cairo cannot give skips
  // the whole frame rather than leaving part of it on the page.
  CairoSurface drawn[std::size(boxes)];
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    if (boxes[i].width <= 0 || boxes[i].height <= 0) continue;
    drawn[i] = DrawFrameBox(boxes[i], shapes);
    if (!drawn[i]) return image;
  }
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    if (drawn[i]) CompositeFrameBox(image.get(), boxes[i], drawn[i].get(), opacity);
  }
  return image;
}

}  // namespace rastrel
