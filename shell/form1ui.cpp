#include "form1ui.h"

#include "colourbutton.h"
#include "form1design.h"
#include "linkcursor.h"
#include "linklabel.h"
#include "mixingslider.h"
#include "readeraccess.h"
#include "swatchbox.h"
#include "units.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTimer>

#include <utility>

namespace {

QFont songFont(double points, bool bold) {
    QFont font;
    font.setFamilies(songFamilies());
    font.setPointSizeF(points);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

void setTwipSize(QWidget *widget, int width, int height) {
    widget->resize(units::twipsToPx(width), units::twipsToPx(height));
}

void setTextColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

void name(QWidget *widget, const QString &objectName, const QString &accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
}

QAction *addItem(QMenu *menu, const QString &objectName, const QString &caption) {
    // A caption of "-" makes a separator line, which shows no text.
    const bool separator = caption == QLatin1String("-");
    auto *action = new QAction(separator ? QString() : caption, menu);
    action->setObjectName(objectName);
    action->setSeparator(separator);
    menu->addAction(action);
    return action;
}

QMenu *addMenu(QMenuBar *bar, const QString &objectName, const QString &caption) {
    auto *menu = bar->addMenu(caption);
    menu->setObjectName(objectName);
    menu->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    menu->menuAction()->setObjectName(objectName + QStringLiteral("_menu"));
    return menu;
}

QTimer *addTimer(QObject *owner, const QString &objectName, int interval, bool enabled) {
    auto *timer = new QTimer(owner);
    timer->setObjectName(objectName);
    timer->setInterval(interval);
    if (enabled)
        timer->start();
    return timer;
}

} // namespace

QStringList songFamilies() {
    return {QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC")};
}

void Form1Ui::setupUi(QMainWindow *window) {
    window->setObjectName(QStringLiteral("Form1"));
    window->setWindowTitle(QStringLiteral("Tintoko "));
    window->setFont(songFont(9, false));

    client = new QWidget(window);
    name(client, QStringLiteral("Form1_client"), QStringLiteral("Tintoko"));
    client->setFixedSize(units::twipsToPx(form1design::kClientWidthTwips),
                         units::twipsToPx(form1design::kClientHeightTwips));
    window->setCentralWidget(client);

    setupSwatches(window->palette().color(QPalette::Active, QPalette::Highlight));
    setupColourButtons();
    setupMixing();
    setupErrorBoxes();
    setupLinkRow();
    setupMenus(window);

    Timer1 = addTimer(window, QStringLiteral("Timer1"), form1design::kTimer1Ms, true);
    Timer2 = addTimer(window, QStringLiteral("Timer2"), form1design::kTimer2Ms, true);
    Timer_end = addTimer(window, QStringLiteral("Timer_end"), form1design::kTimerEndMs, false);
    Timer_tan = addTimer(window, QStringLiteral("Timer_tan"), form1design::kTimerTanMs, true);
}

void Form1Ui::setupSwatches(const QColor &highlight) {
    Text1 = new SwatchBox(client);
    name(Text1, QStringLiteral("Text1"), QStringLiteral("颜色"));
    setTwipSize(Text1, form1design::kText1WidthTwips, form1design::kText1HeightTwips);
    Text1->setText(QStringLiteral("  "));
    Text1->setBackColour(0x000000);
    Text1->setForeColour(highlight);
    Text1->setFont(songFont(72, true));

    Text2 = new SwatchBox(client);
    name(Text2, QStringLiteral("Text2"), QStringLiteral("状态"));
    setTwipSize(Text2, form1design::kText2WidthTwips, form1design::kText2HeightTwips);
    Text2->setText(QStringLiteral(" "));
    Text2->setForeColour(QColor(255, 0, 0));
    Text2->setFont(songFont(36, true));
    // A reader reads the running exercise's message from it on demand.
    readeraccess::offerStatus(Text2);
}

void Form1Ui::setupColourButtons() {
    for (int i = 0; i < 16; ++i) {
        auto *button = new ColourButton(client);
        name(button, QStringLiteral("Command1_%1").arg(i), form1design::colourButtonName(i));
        setTwipSize(button, form1design::kButtonWidthTwips, form1design::kButtonHeightTwips);
        button->setText(QStringLiteral("黑 色"));
        button->setBackColour(0x0000FF);
        button->setFont(songFont(9, true));
        Command1.at(static_cast<std::size_t>(i)) = button;
    }
}

void Form1Ui::setupMixing() {
    const std::array<std::pair<QString, QColor>, 3> sliderNames = {{
        {QStringLiteral("红色"), QColor(255, 0, 0)},
        {QStringLiteral("绿色"), QColor(0, 192, 0)},
        {QStringLiteral("蓝色"), QColor(0, 0, 255)},
    }};
    const std::array<std::pair<QString, int>, 3> readoutCaptions = {{
        {QStringLiteral("R G B:"), 675},
        {QStringLiteral("十 位:"), 675},
        {QStringLiteral("十六位:"), 735},
    }};
    const std::array<Qt::Alignment, 3> readoutAlignment = {Qt::AlignRight, Qt::AlignHCenter,
                                                           Qt::AlignRight};
    const std::array<int, 3> readoutWidths = {1155, 1155, 1095};
    for (std::size_t k = 0; k < 3; ++k) {
        const int index = static_cast<int>(k);
        auto *label1 = new QLabel(sliderNames[k].first, client);
        name(label1, QStringLiteral("Label1_%1").arg(index), sliderNames[k].first);
        setTwipSize(label1, 555, 315);
        label1->setFont(songFont(12, true));
        setTextColour(label1, sliderNames[k].second);
        label1->setVisible(true);
        Label1[k] = label1;

        auto *slider = new MixingSlider(client);
        name(slider, QStringLiteral("slider1_%1").arg(index), sliderNames[k].first);
        setTwipSize(slider, 4815, 375);
        slider->setRange(0, 255);
        slider->setSingleStep(1);
        slider->setPageStep(5);
        slider->setValue(0);
        slider->setFocusPolicy(Qt::StrongFocus);
        slider1[k] = slider;

        auto *label2 = new QLabel(readoutCaptions[k].first, client);
        name(label2, QStringLiteral("Label2_%1").arg(index), readoutCaptions[k].first);
        setTwipSize(label2, readoutCaptions[k].second, 195);
        label2->setFont(songFont(9, true));
        label2->setAlignment(readoutAlignment[k] | Qt::AlignVCenter);
        setTextColour(label2, QColor(255, 0, 255));
        Label2[k] = label2;

        // A reader reads the value, after its caption.
        auto *label3 = new QLabel(client);
        label3->setObjectName(QStringLiteral("Label3_%1").arg(index));
        readeraccess::offerText(label3);
        label2->setBuddy(label3);
        setTwipSize(label3, readoutWidths[k], 195);
        label3->setFont(songFont(9, true));
        label3->setTextFormat(Qt::PlainText);
        setTextColour(label3, QColor(255, 0, 0));
        Label3[k] = label3;
    }
}

void Form1Ui::setupErrorBoxes() {
    const std::array<std::pair<int, QString>, 2> errorBoxes = {{
        {1, QStringLiteral("Timer1_Timer()出现错误,错误号:")},
        {2, QStringLiteral("Timer2_Timer()出现错误,错误号:")},
    }};
    const std::array<QPoint, 2> errorPlaces = {QPoint(960, 2160), QPoint(900, 2520)};
    for (std::size_t k = 0; k < errorBoxes.size(); ++k) {
        // Text boxes that take no input, like the swatch: a line edit would
        // start the input method machinery for boxes nobody ever sees.
        auto *box = new SwatchBox(client);
        name(box, QStringLiteral("shijiancuowu_%1").arg(errorBoxes[k].first), errorBoxes[k].second);
        setTwipSize(box, 5235, 315);
        box->move(units::twipsToPx(errorPlaces[k].x()), units::twipsToPx(errorPlaces[k].y()));
        box->setText(errorBoxes[k].second);
        box->setFont(songFont(12, true));
        box->setBackColour(240U + 230U * 256U + 244U * 65536U);
        box->setForeColour(QColor(255, 0, 0));
        box->hide();
        readeraccess::neverOffer(box);
        shijiancuowu.insert(errorBoxes[k].first, box);
    }
}

void Form1Ui::setupLinkRow() {
    Frame3 = new QFrame(client);
    name(Frame3, QStringLiteral("Frame3"), QStringLiteral("链接"));
    Frame3->setFrameShape(QFrame::NoFrame);
    setTwipSize(Frame3, 7515, 975);
    Frame3->setMouseTracking(true);

    struct LinkPlace {
        int index;
        int left, top, width, height;
        bool link;
    };
    const std::array<LinkPlace, 6> links = {{
        {0, 0, 180, 495, 195, false},
        {1, 480, 120, 2115, 315, true},
        {2, 2700, 180, 495, 195, false},
        {3, 3180, 120, 2415, 315, true},
        {6, 6360, 120, 1035, 255, true},
        {7, 5700, 180, 675, 255, false},
    }};
    for (const LinkPlace &l : links) {
        // The links take the focus in the row's order, after the controls
        // above them.
        LinkLabel *link = l.link ? new LinkLabel(Frame3) : nullptr;
        QLabel *label = link != nullptr ? link : new QLabel(Frame3);
        label->setObjectName(QStringLiteral("wangye_%1").arg(l.index));
        label->setGeometry(units::twipsToPx(l.left), units::twipsToPx(l.top),
                           units::twipsToPx(l.width), units::twipsToPx(l.height));
        label->setTextFormat(Qt::PlainText);
        label->setMouseTracking(true);
        if (link != nullptr) {
            label->setFont(songFont(10.5, false));
            setTextColour(label, QColor(0, 0, 255));
            label->setCursor(linkCursor());
            readeraccess::offerLink(link);
        } else {
            label->setFont(songFont(9, false));
        }
        wangye.insert(l.index, label);
    }
    wangye.value(0)->setText(QStringLiteral("主页:"));
    wangye.value(2)->setText(QStringLiteral("升级:"));
    wangye.value(7)->setText(QStringLiteral("QQ号码:"));
    wangye.value(linkindex::Upgrade)->setToolTip(QStringLiteral("点击进入软件升级页面"));
    for (QLabel *label : std::as_const(wangye))
        label->setAccessibleName(label->text());
}

void Form1Ui::setupMenus(QMainWindow *window) {
    QMenuBar *bar = window->menuBar();
    bar->setObjectName(QStringLiteral("menubar"));
    bar->setNativeMenuBar(false);
    bar->setAccessibleName(QStringLiteral("菜单栏"));

    wenjian = addMenu(bar, QStringLiteral("wenjian"), QStringLiteral("文件(&W)"));
    wenjian1.insert(0, addItem(wenjian, QStringLiteral("wenjian1_0"), QStringLiteral("播放(&B)")));
    wenjian1.insert(1, addItem(wenjian, QStringLiteral("wenjian1_1"), QStringLiteral("退出(&T)")));

    sudu = addMenu(bar, QStringLiteral("sudu"), QStringLiteral("播放速度(&B)"));
    const std::array<QString, 3> speeds = {QStringLiteral("快速(&K)"), QStringLiteral("中速(&Z)"),
                                           QStringLiteral("慢速(&M)")};
    sudu1Group = new QActionGroup(sudu);
    sudu1Group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int k = 0; k < 3; ++k) {
        QAction *item = addItem(sudu, QStringLiteral("sudu1_%1").arg(k), speeds.at(k));
        item->setCheckable(true);
        sudu1Group->addAction(item);
        sudu1.insert(k, item);
    }
    sudu1.value(1)->setChecked(true);

    kongzhi = addMenu(bar, QStringLiteral("kongzhi"), QStringLiteral("选择项目(&X)"));
    zidongbofang = addItem(kongzhi, QStringLiteral("zidongbofang"), QStringLiteral("自动播放(&Z)"));
    shoudongpeise =
        addItem(kongzhi, QStringLiteral("shoudongpeise"), QStringLiteral("手动配色(&S)"));
    ceshi = addItem(kongzhi, QStringLiteral("ceshi"), QStringLiteral("测试(&C)"));
    // Choosing the checked entry unchecks it: back to the free mode.
    kongzhiGroup = new QActionGroup(kongzhi);
    kongzhiGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction *item : {zidongbofang, shoudongpeise, ceshi}) {
        item->setCheckable(true);
        kongzhiGroup->addAction(item);
    }

    bangzhu = addMenu(bar, QStringLiteral("bangzhu"), QStringLiteral("帮助(&H)"));
    const std::array<std::pair<int, QString>, 10> helpItems = {{
        {0, QStringLiteral("功能介绍(&N)")},
        {1, QStringLiteral("软件升级(&S)")},
        {3, QStringLiteral("-")},
        {5, QStringLiteral("禁止弹出新闻资讯(&X)")},
        {6, QStringLiteral("-")},
        {7, QStringLiteral("软件主页(&H)")},
        {8, QStringLiteral("新闻资讯(&W)")},
        {9, QStringLiteral("-")},
        {10, QStringLiteral("联系方式(&L)")},
        {11, QStringLiteral("关于...(&G)")},
    }};
    for (const auto &[index, caption] : helpItems)
        bangzhu1.insert(index, addItem(bangzhu, QStringLiteral("bangzhu1_%1").arg(index), caption));
    bangzhu1.value(menuindex::NoNewsPopup)->setCheckable(true);

    kor_tuopan = addMenu(bar, QStringLiteral("kor_tuopan"), QStringLiteral("托盘"));
    const std::array<std::pair<int, QString>, 5> trayItems = {{
        {2, QStringLiteral("软件主页(&H)")},
        {3, QStringLiteral("新闻资讯(&W)")},
        {4, QStringLiteral("-")},
        {5, QStringLiteral("什么都不做(&T)")},
        {6, QStringLiteral("退出(&F)")},
    }};
    for (const auto &[index, caption] : trayItems)
        kor_tuopan1.insert(
            index, addItem(kor_tuopan, QStringLiteral("kor_tuopan1_%1").arg(index), caption));
}
