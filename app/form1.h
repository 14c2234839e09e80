#pragma once

// Form1 is Tintoko's main window: the colour swatch, sixteen colour buttons,
// the mixing sliders and the menus. It is the view of the colour drill: the
// drill's rules and state live in ColourDrill, which takes every event of the
// buttons, the exercise and speed menus, the sliders and the two drill
// timers and answers with what changed and which recording to play. Form1
// forwards those events, shows the drill's state on its controls and hands
// sound to the play sequence. Its handlers are grouped by what they serve:
//   form1.cpp         load and unload, Timer_end, showing the drill, sound
//   form1_drill.cpp   colour buttons, exercises, sliders, speed, drill timers
//   form1_layout.cpp  the two fixed arrangements, double-click, Frame3
//   form1_menus.cpp   the file menu, the tray menu and the tray icon
//   form1_help.cpp    the help menu, its boxes and the link row
//   form1_news.cpp    the news window: on demand and its timed pop-up
//   form1_scan.cpp    switch scanning: the highlight, the switch's presses
// Everything that reaches outside the process comes in through Form1Services.

#include "colourdrill.h"
#include "form1ui.h"
#include "newspopup.h"
#include "playsequence.h"
#include "switchscan.h"
#include "windowpinning.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class RandomColours;
class SoundPlayer;
class NewsService;
class QKeyEvent;
class TrayService;
class UrlOpener;

// The news window and what its timed pop-up needs.
using Form1News = NewsPopUp::Settings;

struct Form1Services {
    QString programFolder{};         // where 声音/, v.sz and the instructions are
    QString userSounds{};            // the user's own recordings; empty: none
    QStringList sharedSounds{};      // recordings for every user, asked after the user's
    SoundPlayer *player = nullptr;   // Mp3Play1; not owned
    TrayService *tray = nullptr;     // the notification-area icon; not owned, may be absent
    RandomColours *random = nullptr; // the test's draws; not owned; absent: the window's own
    UrlOpener *opener = nullptr;     // web pages and the instructions; not owned, may be absent
    Form1News news{};
};

// The window's states, as the tray restores them.
enum class WindowState : qint16 { Normal = 0, Minimised = 1, Maximised = 2 };

// What the window keeps beside the drill.
struct Form1State {
    bool guanbi_biaozhi = false; // closing has begun
    // The state to restore from the tray: normal or maximised, never minimised.
    WindowState chuangkou_zhuangtai = WindowState::Normal;
};

class Form1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    explicit Form1(const Form1Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // For looking at, in tests and tools; the window alone changes them.
    [[nodiscard]] const Form1Ui &ui() const { return m_ui; }
    [[nodiscard]] const ColourDrill &drill() const { return m_drill; }
    [[nodiscard]] const Form1State &state() const { return m_state; }
    [[nodiscard]] const WindowPinning &pinning() const { return m_pinning; }
    // Switch scanning from now on: the highlight moves by itself, one step
    // every `step`, and Space or Return takes the highlighted control.
    void startScanning(std::chrono::milliseconds step);

    // Event handlers, named after the control and event they serve.
    void Timer_end_Timer();
    void Command1_Click(int index);
    void Command1_KeyDown(int index, Qt::Key key); // an arrow key on a colour button
    void zidongbofang_Click();
    void ceshi_Click();
    void shoudongpeise_Click();
    void slider1_Scroll(int index);
    void sudu1_Click(int index);
    void Timer1_Timer();
    void Timer2_Timer();
    // The window's state or geometry changed: arranges the controls for the
    // pinning's arrangement and pins the window, as the pinning answered.
    void Form_Resize(bool arrange, bool pin);
    void Form_DblClick();
    void Frame3_MouseMove();
    void wenjian1_Click(int index);
    void kor_tuopan1_Click(int index);
    void tuopan_Click(); // left click on the tray icon
    // The program was started again: the window comes back as from the tray,
    // and to the front if it was behind others.
    void showAgain();
    void bangzhu1_Click(int index);
    void wangye_Click(int index);
    void wangye_MouseMove(int index);
    void Timer_tan_Timer();
    void Timer_saomiao_Timer(); // the scan's half step

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void connectHandlers();
    // Each group of handlers wires its own controls, in its own file.
    void connectDrill();
    void connectLayout();
    void connectMenus();
    void connectHelp();
    void connectNews();
    void placeControls(bool maximised);
    [[nodiscard]] QSize pinnedSize() const;
    void pinWindow();

    // Shows what the drill's answer changed and carries out its sound.
    void apply(const ColourDrill::Answer &answer);
    // The colour buttons with the drill's colours and captions (true), or the
    // mixing controls (false).
    void anliu(bool show);
    // The swatch and its status strip in one colour value.
    void showSwatch(quint32 colour);
    void refreshReadouts();
    void showExercise();
    void showSpeed();
    // A link of the link row in red and underlined (true), or in blue.
    void highlightLink(int index, bool on);
    void openWebAddress(const QString &address);
    void showMessage(const QString &title, const QString &text);
    // Space or Return went down or up on a scanned control, while scanning.
    void switchKey(const QKeyEvent &key);
    // Highlights, plays, climbs and chooses as the scan answered.
    void showScan(const SwitchScan::Answer &answer);
    // The scanned controls of the running exercise: the colour buttons or
    // the sliders.
    [[nodiscard]] QWidget *scanned(int index) const;

    Form1Services m_services;
    Form1Ui m_ui;
    Form1State m_state;
    std::unique_ptr<RandomColours> m_ownRandom; // when the services bring none
    ColourDrill m_drill;
    PlaySequence m_sequence;
    NewsPopUp *m_newsPopUp = nullptr; // made with Timer_tan, owned by the window
    WindowPinning m_pinning;
    // Hands the window's resizes, double-clicks and Frame3's mouse moves to
    // the layout handlers; removed first when the window goes, since the
    // widgets it watches still send events while they are taken down.
    QObject *m_layoutEvents = nullptr;
    std::unique_ptr<SwitchScan> m_scan;
    QTimer *m_Timer_saomiao = nullptr;
    QElapsedTimer m_scanClock; // the presses' times
};
