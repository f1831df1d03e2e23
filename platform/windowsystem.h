#pragma once
// What the window system decides for a desktop program and Qt leaves to it: which of the
// session's window systems to use, and the frame a window manager puts around a window.

#include <QMargins>

#include <functional>
#include <optional>

class QWindow;

namespace platform {

// Runs before the application object exists. A Wayland session that also offers X11 (XWayland)
// is used through X11: on Wayland a program can neither place its windows nor bring them to the
// front. A window system named in QT_QPA_PLATFORM is left as it is.
void chooseWindowSystem();

// What is known, before a top-level window is first shown, of the frame (title bar and borders)
// that will be put around it.
struct FrameForecast {
    std::optional<QMargins> frame;  // where an X11 window manager answers the question
    bool knownOnShow = false;       // else the frame is known once the window is shown, and it can be moved then
};

// `create` makes the window's native window, if the question is put.
FrameForecast forecastFrame(const std::function<QWindow *()> &create);

}  // namespace platform
