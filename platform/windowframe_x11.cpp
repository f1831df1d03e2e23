// Window frames on X11: asked of the window manager before the window is mapped.
//
// An X11 window manager reparents a window into its frame only once the window is mapped, so
// Qt knows no frame before the first show, and a window centred from its client size alone
// lands half a title bar low. Window managers that follow the EWMH answer
// _NET_REQUEST_FRAME_EXTENTS for a window not yet mapped by setting _NET_FRAME_EXTENTS on it.
#include "platform/windowsystem.h"

#include <QGuiApplication>

#if defined(LOTARIN_HAVE_XCB) && QT_CONFIG(xcb)
#include <QDeadlineTimer>
#include <QLibrary>
#include <QThread>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>
#endif

namespace platform {

#if defined(LOTARIN_HAVE_XCB) && QT_CONFIG(xcb)
namespace {

// libxcb is resolved at run time, as libcups is: it is loaded already wherever Qt draws on
// X11, and a program on Wayland or without a display never needs it.
struct Xcb {
    decltype(&xcb_get_setup) getSetup = nullptr;
    decltype(&xcb_setup_roots_iterator) roots = nullptr;
    decltype(&xcb_intern_atom) internAtom = nullptr;
    decltype(&xcb_intern_atom_reply) internAtomReply = nullptr;
    decltype(&xcb_get_property) getProperty = nullptr;
    decltype(&xcb_get_property_reply) getPropertyReply = nullptr;
    decltype(&xcb_get_property_value) propertyValue = nullptr;
    decltype(&xcb_get_property_value_length) propertyLength = nullptr;
    decltype(&xcb_send_event) sendEvent = nullptr;
    decltype(&xcb_flush) flush = nullptr;

    Xcb()
    {
        QLibrary library(QStringLiteral("xcb"), 1);
        const auto resolve = [&library](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            return function != nullptr;
        };
        m_loaded = resolve(getSetup, "xcb_get_setup") && resolve(roots, "xcb_setup_roots_iterator")
                   && resolve(internAtom, "xcb_intern_atom") && resolve(internAtomReply, "xcb_intern_atom_reply")
                   && resolve(getProperty, "xcb_get_property") && resolve(getPropertyReply, "xcb_get_property_reply")
                   && resolve(propertyValue, "xcb_get_property_value")
                   && resolve(propertyLength, "xcb_get_property_value_length") && resolve(sendEvent, "xcb_send_event")
                   && resolve(flush, "xcb_flush");
    }
    bool loaded() const { return m_loaded; }

    // Atoms that no client has named yet come back as 0: then no window manager uses them.
    std::vector<xcb_atom_t> atoms(xcb_connection_t *c, std::initializer_list<const char *> names) const
    {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const char *name : names)
            cookies.push_back(internAtom(c, true, uint16_t(std::strlen(name)), name));
        std::vector<xcb_atom_t> result;
        for (const xcb_intern_atom_cookie_t &cookie : cookies) {
            const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
                internAtomReply(c, cookie, nullptr), &std::free);
            result.push_back(reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
        }
        return result;
    }

    std::vector<uint32_t> property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                                   uint32_t longs) const
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            getPropertyReply(c, getProperty(c, false, window, name, type, 0, longs), nullptr), &std::free);
        if (!reply || reply->type != type || reply->format != 32)
            return {};
        const auto *values = static_cast<const uint32_t *>(propertyValue(reply.get()));
        return std::vector<uint32_t>(values, values + propertyLength(reply.get()) / 4);
    }

private:
    bool m_loaded = false;
};

}  // namespace

FrameForecast forecastFrame(const std::function<QWindow *()> &create)
{
    // Elsewhere (Wayland, offscreen) Qt learns the frame as the window is shown.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return {std::nullopt, true};
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    static const Xcb xcb;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c || !xcb.loaded())
        return {};
    const std::vector<xcb_atom_t> atom = xcb.atoms(
        c, {"_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED", "_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS"});
    enum { WmCheck, Supported, Request, Extents };
    if (std::find(atom.begin(), atom.end(), xcb_atom_t(XCB_ATOM_NONE)) != atom.end())
        return {};  // no window manager ever named them

    // A window manager runs when the window it names on the root names itself too (one that
    // has gone leaves its root properties behind), and it answers when it says it does. One
    // that does not (weston's) may not move a window once it is shown either.
    const xcb_window_t root = xcb.roots(xcb.getSetup(c)).data->root;
    const std::vector<uint32_t> check = xcb.property(c, root, atom[WmCheck], XCB_ATOM_WINDOW, 1);
    if (check.size() != 1 || xcb.property(c, check[0], atom[WmCheck], XCB_ATOM_WINDOW, 1) != check)
        return {};
    const std::vector<uint32_t> supported = xcb.property(c, root, atom[Supported], XCB_ATOM_ATOM, 4096);
    if (std::find(supported.begin(), supported.end(), atom[Request]) == supported.end())
        return {};

    // One that says so and does not answer (fluxbox, for a window it does not manage yet) is
    // not asked again; it has drawn the frame once the window is shown.
    static bool unanswered = false;
    QWindow *window = unanswered ? nullptr : create();
    if (!window)
        return {std::nullopt, true};
    const auto id = xcb_window_t(window->winId());
    xcb_client_message_event_t request = {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = id;
    request.type = atom[Request];
    xcb.sendEvent(c, false, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                  reinterpret_cast<const char *>(&request));
    xcb.flush(c);
    // Qt's own event thread reads the notification, so the property is looked at until it is
    // there; a window manager answers within a millisecond or two, metacity's first time in tens.
    const QDeadlineTimer deadline(100);
    do {
        const std::vector<uint32_t> e = xcb.property(c, id, atom[Extents], XCB_ATOM_CARDINAL, 4);
        if (e.size() == 4)  // left, right, top, bottom
            return {QMargins(int(e[0]), int(e[2]), int(e[1]), int(e[3])), false};
        QThread::usleep(500);
    } while (!deadline.hasExpired());
    unanswered = true;
    return {std::nullopt, true};
}

#else

FrameForecast forecastFrame(const std::function<QWindow *()> &)
{
    return {std::nullopt, true};
}

#endif

}  // namespace platform
