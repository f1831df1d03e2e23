// Windows has one window system, and Qt learns a window's frame from it as the window is shown.
#include "platform/windowsystem.h"

namespace platform {

void chooseWindowSystem() {}

FrameForecast forecastFrame(const std::function<QWindow *()> &)
{
    return {std::nullopt, true};
}

}  // namespace platform
