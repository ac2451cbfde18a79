// Colour arithmetic for the TIFF colour spaces that do not arrive as RGB. Values are
// fractions (0 to 1) unless said otherwise.
#pragma once

#include <array>

namespace rastrel {

using Triple = std::array<double, 3>;

// Linear light to the sRGB transfer curve.
double EncodeSrgb(double linear);

// CIE XYZ relative to a D65 white (Y = 1 for white) to sRGB, clipped to the gamut.
Triple XyzToSrgb(const Triple& xyz);

// CIE L*a*b* (L 0 to 100) relative to `white` (XYZ, Y = 1) to sRGB. A white other than D65
// is adapted to D65 with the Bradford transform, so neutral stays neutral.
Triple LabToSrgb(const Triple& lab, const Triple& white);

// The D65 white point as XYZ with Y = 1.
Triple D65White();

// White point from the chromaticities stored in a WhitePoint tag.
Triple WhiteFromChromaticity(double x, double y);

// Subtractive inks to RGB the way FreeImage's own loader does it: each colour is
// (1 - ink) x (1 - black), no colour management.
Triple CmykToRgb(double c, double m, double y, double k);

}  // namespace rastrel
