#include "skiptaskbar.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

void skipTaskbar(QWindow *window) {
    // (The offscreen platform answers for X11 too, without a connection.)
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11 != nullptr ? x11->connection() : nullptr;
    if (c == nullptr || window == nullptr || window->handle() == nullptr ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto xid = static_cast<xcb_window_t>(window->winId());

    static constexpr std::array<const char *, 3> names = {
        "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies.at(i) = xcb_intern_atom(c, 0, std::strlen(names.at(i)), names.at(i));
    std::array<xcb_atom_t, 3> atoms{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies.at(i), nullptr),
                                                   &std::free);
        if (!reply)
            return;
        atoms.at(i) = reply->atom;
    }

    // Whatever states the window already holds stay.
    std::vector<xcb_atom_t> states;
    const Reply<xcb_get_property_reply_t> current(
        xcb_get_property_reply(c, xcb_get_property(c, 0, xid, atoms[0], XCB_ATOM_ATOM, 0, 64),
                               nullptr),
        &std::free);
    if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto *held = static_cast<const xcb_atom_t *>(xcb_get_property_value(current.get()));
        states.assign(held, held + xcb_get_property_value_length(current.get()) / 4);
    }
    for (const xcb_atom_t skip : {atoms[1], atoms[2]}) {
        if (std::find(states.begin(), states.end(), skip) == states.end())
            states.push_back(skip);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, atoms[0], XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(c);
}
