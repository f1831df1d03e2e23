#pragma once
// What the window system decides for a desktop program and Qt leaves to it: the frame a window
// manager puts around a window.

#include <QMargins>

#include <functional>
#include <optional>

class QWindow;

namespace platform {

// What is known, before a top-level window is first shown, of the frame (title bar and borders)
// that will be put around it.
struct FrameForecast {
    std::optional<QMargins> frame;  // where an X11 window manager answers the question
    bool knownOnShow = false;       // else the frame is known once the window is shown, and it can be moved then
};

// `create` makes the window's native window, if the question is put.
FrameForecast forecastFrame(const std::function<QWindow *()> &create);

}  // namespace platform
