#pragma once

// Form1 is Tintoko's main window: the colour swatch, sixteen colour buttons,
// the mixing sliders and the menus. Its controls are created as designed by
// Form1Ui; the state below is shared by all of its handlers, which read the
// exercise from the menu check marks whenever they need it. The handlers are
// grouped by what they serve, one file each:
//   form1.cpp            load and unload, anliu, Timer_end, playing a sound
//   form1_buttons.cpp    the colour buttons: free mode and judging test answers
//   form1_exercises.cpp  automatic play, test, mixing, speed and the status line
//   form1_layout.cpp     the two fixed arrangements, double-click, Frame3
//   form1_menus.cpp      the file menu and the tray menu
// Sound goes through one SoundPlayer and the play sequence; everything that
// reaches outside the process comes in through Form1Services.

#include "form1ui.h"
#include "randomcolours.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class PlaySequence;
class SoundPlayer;
class TrayService;

struct Form1Services {
    QString programFolder;         // where 声音/, v.sz and the instructions are
    SoundPlayer *player = nullptr; // Mp3Play1; not owned
    TrayService *tray = nullptr;   // the notification-area icon; not owned, may be absent
};

struct Form1State {
    std::array<QString, 16> yanse_mingcheng;
    int dangqian_yanse = 0;    // automatic-play position and test target
    QString dangqian_shengyin; // the last sound handed to the player
    QString guanbi_biaozhi;    // "关闭" once closing has begun
    // The value of guanbi_biaozhi once closing has begun.
    static inline const QString kClosing = QStringLiteral("关闭");
    qint16 chuangkou_zhuangtai = 0; // state to restore from the tray: 0 or 2
    int gundong_weizhi = 0;         // status-line scroll counter
};

class Form1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    explicit Form1(const Form1Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    Form1Ui &ui() { return m_ui; }
    Form1State &state() { return m_state; }
    const QString &programFolder() const { return m_services.programFolder; }

    // Shows the colour buttons with their own colours and names (true), or the
    // mixing controls (false).
    void anliu(bool show);

    // Plays one recording through the play sequence and remembers it as the
    // last sound. Returns false when a newer sequence overtook this one while
    // it waited for the player.
    bool bofang_shengyin(const QString &path);

    // Event handlers, named after the control and event they serve.
    void Timer_end_Timer();
    void Command1_Click(int index);
    void zidongbofang_Click();
    void ceshi_Click();
    void shoudongpeise_Click();
    void slider1_Scroll(int index);
    void sudu1_Click(int index);
    void Timer1_Timer();
    void Timer2_Timer();
    void Form_Resize();
    void Form_DblClick();
    void Frame3_MouseMove();
    void wenjian1_Click(int index);
    void kor_tuopan1_Click(int index);
    void tuopan_Click(); // left click on the tray icon

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void connectHandlers();
    // Each group of handlers wires its own controls, in its own file.
    void connectButtons();
    void connectExercises();
    void connectLayout();
    void connectMenus();
    void placeControls(bool maximised);
    void pinWindow();

    Form1Services m_services;
    Form1Ui m_ui;
    Form1State m_state;
    std::unique_ptr<PlaySequence> m_sequence;

    // Exercises (form1_exercises.cpp).
    bool playForExercise(const QString &path);
    // The test's random draws: reseed() when the test starts and after every
    // right answer, then nextIndex() for a target 0..15.
    RandomColours m_random;
    // Selections of the three exercise entries so far: a handler that waited
    // for the player sees from it whether the exercise changed meanwhile.
    quint64 m_exerciseSelections = 0;
    // Hands the window's resizes, double-clicks and Frame3's mouse moves to
    // the layout handlers; removed first when the window goes, since the
    // widgets it watches still send events while they are taken down.
    QObject *m_layoutEvents = nullptr;
};
