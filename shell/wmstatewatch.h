#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <array>

// Tells whenever the X11 window manager changes a window's _NET_WM_STATE,
// also when it deletes the property, as Fluxbox does on a restore: Qt does
// not pass that on and goes on reporting the window maximised. On other
// platforms it never tells anything.
class WmStateWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WmStateWatch)

public:
    explicit WmStateWatch(QWindow *window, QObject *parent = nullptr);
    ~WmStateWatch() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

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
