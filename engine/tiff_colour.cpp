#include "engine/tiff_colour.h"

#include <algorithm>
#include <cmath>

namespace rastrel {
namespace {

using Matrix = std::array<Triple, 3>;

Triple Multiply(const Matrix& m, const Triple& v) {
  return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
          m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

constexpr Matrix kBradford = {
    {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
constexpr Matrix kBradfordInverse = {{{0.9869929, -0.1470543, 0.1599627},
                                      {0.4323053, 0.5183603, 0.0492912},
                                      {-0.0085287, 0.0400428, 0.9684867}}};

Triple Adapt(const Triple& xyz, const Triple& from, const Triple& to) {
  const Triple coneFrom = Multiply(kBradford, from), coneTo = Multiply(kBradford, to);
  Triple cone = Multiply(kBradford, xyz);
  for (int i = 0; i < 3; ++i)
    cone[static_cast<std::size_t>(i)] *=
        coneTo[static_cast<std::size_t>(i)] / coneFrom[static_cast<std::size_t>(i)];
  return Multiply(kBradfordInverse, cone);
}

}  // namespace

Triple D65White() { return {0.95047, 1.0, 1.08883}; }

Triple WhiteFromChromaticity(double x, double y) {
  if (!(y > 0.0) || !(x > 0.0) || x + y >= 1.0) return D65White();
  return {x / y, 1.0, (1.0 - x - y) / y};
}

double EncodeSrgb(double linear) {
  if (!(linear > 0.0)) return 0.0;
  if (linear >= 1.0) return 1.0;
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

Triple XyzToSrgb(const Triple& xyz) {
  constexpr Matrix toLinear = {{{3.2404542, -1.5371385, -0.4985314},
                                {-0.9692660, 1.8760108, 0.0415560},
                                {0.0556434, -0.2040259, 1.0572252}}};
  const Triple linear = Multiply(toLinear, xyz);
  return {EncodeSrgb(linear[0]), EncodeSrgb(linear[1]), EncodeSrgb(linear[2])};
}

Triple LabToSrgb(const Triple& lab, const Triple& white) {
  const double fy = (lab[0] + 16.0) / 116.0;
  const double fx = fy + lab[1] / 500.0;
  const double fz = fy - lab[2] / 200.0;
  auto inverse = [](double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta ? t * t * t : 3.0 * delta * delta * (t - 4.0 / 29.0);
  };
  Triple xyz = {white[0] * inverse(fx), white[1] * inverse(fy), white[2] * inverse(fz)};
  const Triple d65 = D65White();
  if (std::abs(white[0] - d65[0]) > 1e-3 || std::abs(white[2] - d65[2]) > 1e-3) xyz = Adapt(xyz, white, d65);
  return XyzToSrgb(xyz);
}

Triple CmykToRgb(double c, double m, double y, double k) {
  auto clamp = [](double v) { return std::clamp(v, 0.0, 1.0); };
  const double keep = 1.0 - clamp(k);
  return {(1.0 - clamp(c)) * keep, (1.0 - clamp(m)) * keep, (1.0 - clamp(y)) * keep};
}

}  // namespace rastrel
