#include "wmstatewatch.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// (The offscreen platform answers for X11 too, without a connection.)
xcb_connection_t *x11Connection() {
    auto *x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    if (x11 == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return x11->connection();
}

} // namespace

WmStateWatch::WmStateWatch(QWindow *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_connection(x11Connection()) {
    auto *c = static_cast<xcb_connection_t *>(m_connection);
    if (c == nullptr || window == nullptr)
        return;
    static constexpr std::array<const char *, AtomCount> names = {
        "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ",
        "_NET_WM_STATE_FULLSCREEN"};
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies.at(i) = xcb_intern_atom(c, 0, std::strlen(names.at(i)), names.at(i));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies.at(i), nullptr),
                                                   &std::free);
        m_atoms.at(i) = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    // Qt asks for property changes on every top-level window it makes.
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WmStateWatch::~WmStateWatch() {
    if (m_connection != nullptr && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WmStateWatch::nativeEventFilter(const QByteArray &eventType, void *message,
                                     qintptr * /*result*/) {
    if (eventType != "xcb_generic_event_t" || !m_window || m_window->handle() == nullptr)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7FU) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
    if (property->window != m_window->winId() || property->atom != m_atoms[State])
        return false;
    emit changed(property->state != XCB_PROPERTY_DELETE && readMaximised());
    return false; // Qt reads it too
}

bool WmStateWatch::readMaximised() const {
    auto *c = static_cast<xcb_connection_t *>(m_connection);
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, m_window->winId(), m_atoms[State], XCB_ATOM_ATOM, 0, 64),
            nullptr),
        &std::free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    bool vertical = false;
    bool horizontal = false;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == m_atoms[FullScreen])
            return true;
        vertical = vertical || atoms[i] == m_atoms[MaximisedVert];
        horizontal = horizontal || atoms[i] == m_atoms[MaximisedHorz];
    }
    return vertical && horizontal;
}

bool WmStateWatch::buttonHeld() const {
    auto *c = static_cast<xcb_connection_t *>(m_connection);
    if (c == nullptr || !m_window || m_window->handle() == nullptr)
        return false;
    const Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, m_window->winId()), nullptr), &std::free);
    constexpr unsigned buttons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 |
                                 XCB_KEY_BUT_MASK_BUTTON_3 | XCB_KEY_BUT_MASK_BUTTON_4 |
                                 XCB_KEY_BUT_MASK_BUTTON_5;
    return reply && (reply->mask & buttons) != 0;
}

std::optional<QSize> WmStateWatch::size() const {
    auto *c = static_cast<xcb_connection_t *>(m_connection);
    if (c == nullptr || !m_window || m_window->handle() == nullptr)
        return std::nullopt;
    const Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, m_window->winId()), nullptr), &std::free);
    if (!reply)
        return std::nullopt;
    const qreal ratio = m_window->devicePixelRatio();
    return QSize(qRound(reply->width / ratio), qRound(reply->height / ratio));
}
