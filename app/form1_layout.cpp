#include "form1.h"

#include "colourbutton.h"
#include "form1layout.h"
#include "swatchbox.h"
#include "units.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>
#include <QWindow>

// The two fixed arrangements of the main window, the window pinned in its
// normal state, the double-click that repeats the current colour's name and
// the mouse move over the link frame.
//
// The arrangements are drawn for a client area of 7560 x 4785 twips (504 x 319
// pixels at 96 dpi), and the window in its normal state is pinned to an outer
// size of 7680 x 5500 twips. Window frames differ between desktops (and there
// is a menu bar to fit), so the client area is what is kept: in the normal
// state it has exactly the designed size, the window is that plus the menu bar,
// and the window manager's frame comes around it. The pinned position is the
// position of the frame's top-left corner. In the maximised state the client
// area grows with the window, so that the moved arrangement has room.

namespace {

void place(QWidget *widget, const Placement &p) {
    widget->move(units::unitsToPxX(p.left), units::unitsToPxY(p.top));
}

// 0 normal, 1 minimised, 2 maximised (a full-screen window counts as
// maximised).
WindowState windowStateOf(Qt::WindowStates state) {
    if (state & Qt::WindowMinimized)
        return WindowState::Minimised;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return WindowState::Maximised;
    return WindowState::Normal;
}

QSize designedClientSize() {
    return {units::twipsToPx(DesignedClient::width), units::twipsToPx(DesignedClient::height)};
}

// Watches the window for resizes and state changes, its client area for
// double-clicks and Frame3 for mouse moves, and hands them to Form1's handlers.
class LayoutEvents final : public QObject {
public:
    explicit LayoutEvents(Form1 &form)
        : QObject(&form)
        , m_form(form) {
        m_settle.setSingleShot(true);
        m_settle.setInterval(kSettleMs);
        connect(&m_settle, &QTimer::timeout, this, &LayoutEvents::settled);
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        const Form1Ui &ui = m_form.ui();
        switch (event->type()) {
        case QEvent::WindowStateChange:
            if (watched == &m_form) {
                scheduleResize();
                settle();
            }
            break;
        case QEvent::Resize:
            // A maximised window is arranged at once. In the normal state a
            // resize is the user's (or the tail of a restore): the window is
            // pinned again once the resizes have settled, not against each
            // of them, since many window managers ignore a shrink while the
            // user still drags the border.
            if (watched == &m_form) {
                if (m_form.isMaximized() || m_form.isFullScreen())
                    scheduleResize();
                settle();
            }
            break;
        case QEvent::MouseButtonDblClick:
            // A double-click on the free client area, or on one of the two
            // swatch boxes, which are disabled and so pass their mouse events
            // on to the client area. Controls that take a double-click
            // themselves never let it get here; labels do, and are left out.
            if (watched == ui.client) {
                const QWidget *hit =
                    ui.client->childAt(static_cast<QMouseEvent *>(event)->position().toPoint());
                if (hit == nullptr || hit == ui.Text1 || hit == ui.Text2) {
                    m_form.Form_DblClick();
                    return true;
                }
            }
            break;
        case QEvent::MouseMove:
            // Only the frame's bare area: moves over the link labels reach the
            // frame too, and belong to the labels.
            if (watched == ui.Frame3 &&
                ui.Frame3->childAt(static_cast<QMouseEvent *>(event)->position().toPoint()) ==
                    nullptr)
                m_form.Frame3_MouseMove();
            break;
        default:
            break;
        }
        return false;
    }

private:
    // The window manager tells a maximise or restore as two events, the new
    // size and the new state, in either order. The resize handler runs after
    // the events already queued, so that it rarely pins a window on its way
    // to maximised; whatever the order, the settling run has the last word.
    void scheduleResize() {
        if (m_pending)
            return;
        m_pending = true;
        QTimer::singleShot(0, this, [this] {
            m_pending = false;
            m_form.Form_Resize();
        });
    }

    // Pins the window once no resize has come for kSettleMs, and checks
    // again after as long while it is not where it belongs: the window
    // manager may have ignored the request (a drag still held) or answered
    // it with a late event of its own.
    void settle() {
        m_tries = 0;
        m_settle.start();
    }
    void settled() {
        m_form.Form_Resize();
        if (!m_form.windowIsPinned() && ++m_tries < kSettleTries)
            m_settle.start();
    }

    static constexpr int kSettleMs = 250;
    static constexpr int kSettleTries = 40;

    Form1 &m_form;
    bool m_pending = false;
    QTimer m_settle;
    int m_tries = 0;
};

} // namespace

void Form1::placeControls(bool maximised) {
    const Form1Layout layout = maximised ? maximisedLayout() : normalLayout();
    place(m_ui.Text1, layout.text1);
    if (layout.text1Height)
        m_ui.Text1->resize(m_ui.Text1->width(), units::unitsToPxY(*layout.text1Height));
    place(m_ui.Text2, layout.text2);
    for (std::size_t i = 0; i < 16; ++i)
        place(m_ui.Command1[i], layout.command1[i]);
    for (std::size_t r = 0; r < 3; ++r) {
        place(m_ui.Label1[r], layout.label1[r]);
        place(m_ui.Label2[r], layout.label2[r]);
        place(m_ui.Label3[r], layout.label3[r]);
        place(m_ui.slider1[r], layout.slider1[r]);
    }
    place(m_ui.Frame3, layout.frame3);
}

void Form1::connectLayout() {
    auto *events = new LayoutEvents(*this);
    installEventFilter(events);
    m_ui.client->installEventFilter(events);
    m_ui.Frame3->installEventFilter(events);
    m_layoutEvents = events;
}

void Form1::pinWindow() {
    // The size is the client area plus the menu bar (see the top of this
    // file); the pinned position is that of the frame's top-left corner.
    const QSize client = designedClientSize();
    m_ui.client->setFixedSize(client);
    int bar = menuBar()->heightForWidth(client.width());
    if (bar < 0)
        bar = menuBar()->sizeHint().height();
    resize(client.width(), client.height() + bar);

    const QPoint pinned(units::twipsToPx(PinnedWindow::left), units::twipsToPx(PinnedWindow::top));
    QWindow *window = windowHandle();
    if (window != nullptr && isVisible()) {
        // Asks the window manager to put the frame there, whatever frame it
        // draws now. (QWidget::move would work out the client position from
        // the frame last seen, which is stale right after a restore from
        // maximised, when the frame changes back.)
        window->setFramePosition(pinned);
    } else {
        move(pinned); // before the first show: the frame's position too
    }
}

bool Form1::windowIsPinned() const {
    if (windowStateOf(windowState()) != WindowState::Normal)
        return true; // only the normal state is pinned
    const QPoint pinned(units::twipsToPx(PinnedWindow::left), units::twipsToPx(PinnedWindow::top));
    return m_ui.client->size() == designedClientSize() && frameGeometry().topLeft() == pinned &&
           m_ui.client->geometry().bottom() == rect().bottom();
}

void Form1::Form_Resize() {
    const WindowState state = windowStateOf(windowState());
    if (state == WindowState::Maximised) {
        m_ui.client->setMinimumSize(designedClientSize());
        m_ui.client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        placeControls(true);
    } else if (state == WindowState::Normal) {
        pinWindow();
        placeControls(false);
    }
    // The state to restore from the tray: a minimised window comes back normal.
    const WindowState now = windowStateOf(windowState());
    m_state.chuangkou_zhuangtai = now == WindowState::Minimised ? WindowState::Normal : now;
}

void Form1::Form_DblClick() {
    apply(m_drill.repeatCurrentColour());
}

void Form1::Frame3_MouseMove() {
    // The frame's own surface is the only place that takes the links'
    // highlight away again.
    for (int index : linkindex::kLinks)
        highlightLink(index, false);
}
