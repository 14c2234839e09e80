#include "form1.h"

#include "colourbutton.h"
#include "form1layout.h"
#include "swatchbox.h"
#include "units.h"
#include "wmstatewatch.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QWindow>

#include <optional>
#include <utility>

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
// WindowPinning decides when the window is arranged and pinned.

namespace {

void place(QWidget *widget, const Placement &p) {
    widget->move(units::unitsToPxX(p.left), units::unitsToPxY(p.top));
}

QPoint pinnedPlace() {
    return {units::twipsToPx(PinnedWindow::left), units::twipsToPx(PinnedWindow::top)};
}

// Tells the pinning the screen and the frame the window has now.
void seeScreen(WindowPinning &pinning, const QWidget &window) {
    if (window.screen() != nullptr)
        pinning.setScreen(window.screen()->availableGeometry(),
                          window.frameGeometry().size() - window.size());
}

QSize designedClientSize() {
    return {units::twipsToPx(DesignedClient::width), units::twipsToPx(DesignedClient::height)};
}

// Watches the window for resizes, moves and state changes, and the window
// manager for its word on the state; hands them to the pinning and carries
// out its answers through Form_Resize. Watches the client area for
// double-clicks and Frame3 for mouse moves, for Form1's handlers.
class LayoutEvents final : public QObject {
public:
    LayoutEvents(Form1 &form, WindowPinning &pinning)
        : QObject(&form)
        , m_form(form)
        , m_pinning(pinning) {
        m_settle.setSingleShot(true);
        m_release.setInterval(WindowPinning::kSettleMs);
        connect(&m_release, &QTimer::timeout, this, &LayoutEvents::released);
        connect(&m_settle, &QTimer::timeout, this, [this] {
            // A pause ends with the window manager's hold on the window: a
            // border dragged slowly is held for as long as the button is down.
            const bool pause = m_settle.interval() == WindowPinning::kPauseMs;
            if (pause && m_wmState != nullptr && m_wmState->buttonHeld())
                m_settle.start();
            else
                report(m_pinning.settled());
        });
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        const Form1Ui &ui = m_form.ui();
        switch (event->type()) {
        case QEvent::Show:
            if (watched == &m_form && m_wmState == nullptr && m_form.windowHandle() != nullptr) {
                m_wmState = new WmStateWatch(m_form.windowHandle(), this);
                connect(m_wmState, &WmStateWatch::changed, this,
                        [this](bool maximised) { report(m_pinning.wmState(maximised)); });
            }
            break;
        case QEvent::WindowStateChange:
            if (watched == &m_form)
                report(m_pinning.qtState(m_form.windowState()));
            break;
        case QEvent::Resize:
        case QEvent::Move:
            if (watched == &m_form) {
                seeScreen(m_pinning, m_form);
                report(m_pinning.geometry(m_form.size(), m_form.frameGeometry().topLeft()));
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
    // The window manager tells a maximise or restore in several events. The
    // answers are carried out after the events already queued, together, so
    // that the window is rarely pinned on its way to maximised and never
    // from inside its own resize.
    void report(const WindowPinning::Answer &answer) {
        m_arrange = m_arrange || answer.arrange;
        m_pin = m_pin || answer.pin;
        if (answer.settle)
            m_settle.start(WindowPinning::kSettleMs);
        if (answer.pause)
            m_settle.start(WindowPinning::kPauseMs);
        if (m_scheduled)
            return;
        m_scheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_scheduled = false;
            const bool pin = std::exchange(m_pin, false);
            m_form.Form_Resize(std::exchange(m_arrange, false), pin);
            if (pin && m_wmState != nullptr && m_wmState->buttonHeld())
                m_release.start();
        });
    }

    // Qt takes a resize for done as soon as it asks for it, and a window
    // manager that holds the border refuses it without a word (KWin,
    // metacity): Qt then believes the window pinned, and sends no request for
    // a size it thinks the window has. Once the button is up, Qt is told the
    // size the window really has, by asking for it; the pinning hears of it
    // and asks for its own.
    void released() {
        if (m_wmState->buttonHeld())
            return;
        m_release.stop();
        const std::optional<QSize> real = m_wmState->size();
        if (real && *real != m_form.size() && m_pinning.state() == WindowPinning::State::Normal)
            m_form.resize(*real);
    }

    Form1 &m_form;
    WindowPinning &m_pinning;
    WmStateWatch *m_wmState = nullptr;
    QTimer m_settle;
    QTimer m_release; // watches the button held while the window was pinned
    bool m_scheduled = false;
    bool m_arrange = false;
    bool m_pin = false;
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
    auto *events = new LayoutEvents(*this, m_pinning);
    installEventFilter(events);
    m_ui.client->installEventFilter(events);
    m_ui.Frame3->installEventFilter(events);
    m_layoutEvents = events;
}

QSize Form1::pinnedSize() const {
    // The client area plus the menu bar (see the top of this file).
    const QSize client = designedClientSize();
    int bar = menuBar()->heightForWidth(client.width());
    if (bar < 0)
        bar = menuBar()->sizeHint().height();
    return {client.width(), client.height() + bar};
}

void Form1::pinWindow() {
    const QSize size = pinnedSize();
    m_pinning.setTarget(size, pinnedPlace());
    seeScreen(m_pinning, *this);
    const QPoint place = m_pinning.place();
    m_ui.client->setFixedSize(designedClientSize());
    resize(size);
    // Sizes a window manager may choose are the base size plus steps. Qt
    // asks for steps of 2 px at a scale of 1.5 and says the base is 0, which
    // would round an odd height below the minimum.
    setBaseSize(size);

    QWindow *window = windowHandle();
    if (window != nullptr && isVisible()) {
        // Asks the window manager to put the frame there, whatever frame it
        // draws now. (QWidget::move would work out the client position from
        // the frame last seen, which is stale right after a restore from
        // maximised, when the frame changes back.) Where a program cannot
        // place its windows, the size is all there is to pin.
        if (m_pinning.placesItself())
            window->setFramePosition(place);
    } else {
        move(place); // before the first show: the frame's position too
    }
}

void Form1::Form_Resize(bool arrange, bool pin) {
    const bool maximised = m_pinning.arrangement() == WindowPinning::State::Maximised;
    if (arrange && maximised) {
        m_ui.client->setMinimumSize(designedClientSize());
        m_ui.client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (arrange)
        placeControls(maximised);
    if (pin && !maximised)
        pinWindow();
    // The state to restore from the tray: a minimised window comes back normal.
    m_state.chuangkou_zhuangtai = m_pinning.state() == WindowPinning::State::Maximised
                                      ? WindowState::Maximised
                                      : WindowState::Normal;
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
