// The window system of a Linux desktop session.
#include "platform/windowsystem.h"

#include <QByteArray>

namespace platform {

void chooseWindowSystem()
{
    // Qt 6 prefers Wayland wherever a compositor runs, XWayland or not.
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    if (!wayland || qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    // Wayland stays the fallback for an X server that does not answer.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb;wayland"));
}

}  // namespace platform
