#pragma once

#include <cmath>

namespace kavtra {

// Window geometry is kept in twips: 15 to a device-independent pixel.
inline constexpr float kTwipsPerPixel = 15.0f;

inline int twipsToPixels(float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
inline float pixelsToTwips(int pixels) { return static_cast<float>(pixels) * kTwipsPerPixel; }

}  // namespace kavtra
