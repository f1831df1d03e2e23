#include "ui/centering.h"

#include <cmath>
#include <limits>

namespace ui {

int centredOffset(float screenLength, float windowLength)
{
    const float d = screenLength - windowLength;
    // std::nearbyint honours the current rounding mode, which is round-half-even by default;
    // clamp first so a nonsense size can never overflow the conversion.
    const float lo = float(std::numeric_limits<int>::min());
    const float hi = 2147483520.0f;  // the largest float below 2^31
    const float clamped = std::isnan(d) ? 0.0f : (d < lo ? lo : (d > hi ? hi : d));
    const int whole = int(std::nearbyint(clamped));
    return whole / 2;
}

Position centredPosition(float screenWidth, float screenHeight, float windowWidth, float windowHeight)
{
    return {centredOffset(screenWidth, windowWidth), centredOffset(screenHeight, windowHeight)};
}

}  // namespace ui
