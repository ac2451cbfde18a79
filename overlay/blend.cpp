#include "overlay/blend.h"

namespace rastrel {

Rgba BlendOver(Rgba target, Rgba source, int constantAlpha) {
  const int a = constantAlpha * AlphaOf(source) / 255;
  const int t = AlphaOf(target);
  const int targetWeight = (255 - a) * t;
  const int sourceWeight = a * 255;
  const int denominator = targetWeight + sourceWeight;
  if (denominator == 0) return target;
  const auto mix = [&](int targetChannel, int sourceChannel) {
    return (targetWeight * targetChannel + sourceWeight * sourceChannel) / denominator;
  };
  return MakeRgba(mix(RedOf(target), RedOf(source)), mix(GreenOf(target), GreenOf(source)),
                  mix(BlueOf(target), BlueOf(source)), (sourceWeight + targetWeight) / 255);
}

}  // namespace rastrel
