// Single owners of the cairo, pango and fontconfig objects the overlays create.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <glib-object.h>
#include <pango/pangocairo.h>

#include <memory>

namespace rastrel {

struct CairoSurfaceRelease {
  void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
struct CairoContextRelease {
  void operator()(cairo_t* context) const noexcept { cairo_destroy(context); }
};
struct CairoFontOptionsRelease {
  void operator()(cairo_font_options_t* options) const noexcept { cairo_font_options_destroy(options); }
};
struct GObjectRelease {
  void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct PangoFontDescriptionRelease {
  void operator()(PangoFontDescription* description) const noexcept {
    pango_font_description_free(description);
  }
};
struct PangoAttrListRelease {
  void operator()(PangoAttrList* list) const noexcept { pango_attr_list_unref(list); }
};
struct FcPatternRelease {
  void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};

using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextRelease>;
using CairoFontOptions = std::unique_ptr<cairo_font_options_t, CairoFontOptionsRelease>;
using PangoLayoutHandle = std::unique_ptr<PangoLayout, GObjectRelease>;
using PangoFontDescriptionHandle = std::unique_ptr<PangoFontDescription, PangoFontDescriptionRelease>;
using PangoAttrListHandle = std::unique_ptr<PangoAttrList, PangoAttrListRelease>;
using FcPatternHandle = std::unique_ptr<FcPattern, FcPatternRelease>;

// An image surface of the given format, or none when cairo could not make one (cairo
// reports failure through an error surface, never a null pointer).
inline CairoSurface MakeImageSurface(cairo_format_t format, int width, int height) {
  CairoSurface surface(cairo_image_surface_create(format, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return surface;
}

inline CairoContext MakeContext(cairo_surface_t* surface) {
  CairoContext context(cairo_create(surface));
  if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return context;
}

}  // namespace rastrel
