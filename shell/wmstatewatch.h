#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWindow>

#include <array>
#include <optional>

// Tells whenever the X11 window manager changes a window's _NET_WM_STATE,
// also when it deletes the property, as Fluxbox does on a restore: Qt does
// not pass that on and goes on reporting the window maximised. On other
// platforms it never tells anything.
//
// It also asks the X server what Qt cannot tell: whether a pointer button is
// down (while the window manager drags the window's border it holds the
// pointer, and the program hears nothing of the button), and the window's
// size as it is (Qt takes a resize for done when it asks for it, and a
// window manager may refuse it without a word).
class WmStateWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WmStateWatch)

public:
    explicit WmStateWatch(QWindow *window, QObject *parent = nullptr);
    ~WmStateWatch() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // A pointer button is down now; false where there is no X server.
    [[nodiscard]] bool buttonHeld() const;
    // The window's size on the X server, in Qt's units; none where there is
    // no X server.
    [[nodiscard]] std::optional<QSize> size() const;

signals:
    // Maximised: both maximised states, or the full-screen state, are set.
    // A deleted property holds none.
    void changed(bool maximised);

private:
    enum Atom { State, MaximisedVert, MaximisedHorz, FullScreen, AtomCount };

    [[nodiscard]] bool readMaximised() const;

    QPointer<QWindow> m_window;
    void *m_connection = nullptr; // xcb_connection_t, when the platform is xcb
    std::array<quint32, AtomCount> m_atoms{};
};
