#pragma once

#include "mixingslider.h" // complete: the window and its tests use the sliders as QSlider

#include <QMap>
#include <QStringList>

#include <array>

class ColourButton;
class QAction;
class QColor;
class QActionGroup;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;
class QWidget;
class SwatchBox;

// The names of the controls are pinyin, as the window was designed:
//   Text1 the colour swatch          Text2 its status strip below
//   Command1 the 16 colour buttons   anliu: buttons or mixing controls
//   slider1 red, green, blue         Label1 their names, Label2 the read-outs'
//                                    captions, Label3 the read-outs
//   shijiancuowu the timers' error boxes
//   Frame3 / wangye the link row     (wangye: web page)
//   wenjian file, sudu speed, kongzhi exercises (zidongbofang automatic play,
//   shoudongpeise mixing by hand, ceshi test), bangzhu help, kor_tuopan tray
//   guanbi_biaozhi the exit flag, chuangkou_zhuangtai the window state
//   dangqian_yanse the current colour, dangqian_shengyin the last sound
//   bofang_shengyin play a recording; tuopan the tray icon; zhiding keep on top
//
// Every control, menu and timer of the main window as designed, created in one
// place with its design-time properties. Control arrays keep their indices,
// gaps included: handlers dispatch on them. The window's arrangement is set
// afterwards by the layout code; positions given here are only those of
// controls that keep them.
struct Form1Ui {
    QWidget *client = nullptr; // the client area below the menu bar

    SwatchBox *Text1 = nullptr;
    SwatchBox *Text2 = nullptr;
    std::array<ColourButton *, 16> Command1{};
    std::array<QLabel *, 3> Label1{};
    std::array<QLabel *, 3> Label2{};
    std::array<QLabel *, 3> Label3{};
    std::array<MixingSlider *, 3> slider1{};
    QMap<int, SwatchBox *> shijiancuowu; // 1, 2: the drill timers' error boxes, never shown
    QFrame *Frame3 = nullptr;
    QMap<int, QLabel *> wangye; // 0, 1, 2, 3, 6, 7

    QMenu *wenjian = nullptr;
    QMap<int, QAction *> wenjian1; // 0, 1
    QMenu *sudu = nullptr;
    QMap<int, QAction *> sudu1;         // 0, 1, 2
    QActionGroup *sudu1Group = nullptr; // exactly one speed is checked
    QMenu *kongzhi = nullptr;
    QActionGroup *kongzhiGroup = nullptr; // at most one exercise is checked
    QAction *zidongbofang = nullptr;
    QAction *shoudongpeise = nullptr;
    QAction *ceshi = nullptr;
    QMenu *bangzhu = nullptr;
    QMap<int, QAction *> bangzhu1; // 0, 1, 3, 5..11
    QMenu *kor_tuopan = nullptr;
    QMap<int, QAction *> kor_tuopan1; // 2..6

    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *Timer_end = nullptr;
    QTimer *Timer_tan = nullptr;

    // Creates everything on window; the timers that are enabled as designed
    // are started.
    void setupUi(QMainWindow *window);

private:
    void setupSwatches(const QColor &highlight);
    void setupColourButtons();
    void setupMixing();
    void setupErrorBoxes();
    void setupLinkRow();
    void setupMenus(QMainWindow *window);
};

// Menu entries the code refers to, by their index in the control arrays.
namespace menuindex {
// wenjian1
enum File : int { Replay = 0, Exit = 1 };
// bangzhu1
enum Help : int {
    Instructions = 0,
    Upgrade = 1,
    NoNewsPopup = 5,
    HomePage = 7,
    News = 8,
    Contact = 10,
    About = 11,
};
// kor_tuopan1
enum Tray : int { TrayHomePage = 2, TrayNews = 3, TrayNothing = 5, TrayExit = 6 };
} // namespace menuindex

// The labels of the link row that are links, by their index in wangye.
namespace linkindex {
enum Link : int { Site = 1, Upgrade = 3, Contact = 6 };
inline constexpr std::array<int, 3> kLinks = {Site, Upgrade, Contact};
} // namespace linkindex

// The font family list that stands for the Song typeface the window is
// designed in, with the CJK fonts a Linux desktop has as fall-backs.
QStringList songFamilies();
