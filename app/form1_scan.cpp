#include "form1.h"

#include "colourbutton.h"
#include "mixingslider.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSlider>
#include <QTimer>

#include <functional>
#include <utility>

// Switch scanning: SwitchScan holds the rules; the window shows its
// highlight as the keyboard focus (what the keyboard and a screen reader
// follow too), hands it the half-step ticks, the switch's keys and the
// adult's focus moves, and carries out its answers.

namespace {

bool isSwitchKey(const QKeyEvent *event) {
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
           event->key() == Qt::Key_Enter;
}

// Takes Space and Return from the scanned controls to the scan, which
// decides whether a press chooses.
class SwitchKeys final : public QObject {
public:
    SwitchKeys(QObject *parent, std::function<void(const QKeyEvent &)> key)
        : QObject(parent)
        , m_key(std::move(key)) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!isSwitchKey(key))
            return false;
        m_key(*key);
        return true;
    }

private:
    std::function<void(const QKeyEvent &)> m_key;
};

} // namespace

void Form1::startScanning(std::chrono::milliseconds step) {
    if (m_scan == nullptr) {
        auto *keys = new SwitchKeys(this, [this](const QKeyEvent &key) { switchKey(key); });
        for (ColourButton *button : m_ui.Command1) {
            button->installEventFilter(keys);
            button->setBoldFocusFrame(true);
        }
        for (MixingSlider *slider : m_ui.slider1) {
            slider->installEventFilter(keys);
            slider->setBoldFocusFrame(true);
        }
        m_Timer_saomiao = new QTimer(this);
        m_Timer_saomiao->setObjectName(QStringLiteral("Timer_saomiao"));
        // A step as long as asked: a coarse timer may end one early.
        m_Timer_saomiao->setTimerType(Qt::PreciseTimer);
        connect(m_Timer_saomiao, &QTimer::timeout, this, &Form1::Timer_saomiao_Timer);
        // Tab, the arrow keys or the mouse: the scan goes on from there.
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            for (int i = 0; i < 16; ++i) {
                if (now != nullptr && scanned(i) == now)
                    showScan(m_scan->focusMoved(i));
            }
        });
        m_scanClock.start();
    }
    m_scan = std::make_unique<SwitchScan>(
        ProgramFolder(m_services.programFolder, m_services.userSounds, m_services.sharedSounds),
        step);
    m_Timer_saomiao->setInterval(m_scan->halfStep());
    int focused = -1;
    for (int i = 0; i < m_scan->count(); ++i) {
        if (scanned(i)->hasFocus())
            focused = i;
    }
    showScan(m_scan->start(m_drill.exercise(), m_drill.questionsAsked(), focused));
    m_Timer_saomiao->start();
}

QWidget *Form1::scanned(int index) const {
    const auto at = static_cast<std::size_t>(index);
    if (m_drill.exercise() == ColourDrill::Exercise::Mixing)
        return at < m_ui.slider1.size() ? m_ui.slider1.at(at) : nullptr;
    return at < m_ui.Command1.size() ? m_ui.Command1.at(at) : nullptr;
}

void Form1::Timer_saomiao_Timer() {
    // A menu, a message box, the news window or any other window has the
    // adult's attention and the keyboard.
    const bool busy = QApplication::activePopupWidget() != nullptr ||
                      QApplication::activeModalWidget() != nullptr || !isActiveWindow();
    int value = 0;
    if (m_drill.exercise() == ColourDrill::Exercise::Mixing)
        value = m_ui.slider1.at(static_cast<std::size_t>(m_scan->highlighted()))->value();
    showScan(m_scan->tick(busy, value));
}

void Form1::switchKey(const QKeyEvent &key) {
    // The key's own time, which its repeats share with a release; a made-up
    // event has none.
    const auto now = std::chrono::milliseconds(
        key.timestamp() != 0 ? static_cast<qint64>(key.timestamp()) : m_scanClock.elapsed());
    if (key.type() == QEvent::KeyRelease)
        m_scan->release(now);
    else
        showScan(m_scan->press(now, key.isAutoRepeat()));
}

void Form1::showScan(const SwitchScan::Answer &answer) {
    if (answer.restartClock)
        m_Timer_saomiao->start();
    if (answer.highlight >= 0 && scanned(answer.highlight) != nullptr)
        scanned(answer.highlight)->setFocus(Qt::TabFocusReason);
    if (!answer.recording.isEmpty())
        m_sequence.bofang_shengyin(answer.recording);
    if (answer.sliderValue >= 0)
        m_ui.slider1.at(static_cast<std::size_t>(m_scan->highlighted()))
            ->setValue(answer.sliderValue);
    // As a click does: the button's handler and the drill take it from here.
    if (answer.choose)
        m_ui.Command1.at(static_cast<std::size_t>(m_scan->highlighted()))->click();
}
