#include "form1.h"

#include "colourbutton.h"
#include "newsoptionfile.h"
#include "randomcolours.h"
#include "readeraccess.h"
#include "soundplayer.h"
#include "swatchbox.h"
#include "texts.h"
#include "trayservice.h"
#include "tuopancanyu.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QRandomGenerator>
#include <QSlider>
#include <QTimer>

Form1::Form1(const Form1Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_ownRandom(services.random != nullptr ? nullptr : std::make_unique<RandomColours>())
    , m_drill(ProgramFolder(services.programFolder, services.userSounds, services.sharedSounds),
              services.random != nullptr ? *services.random : *m_ownRandom)
    , m_sequence(*services.player)
    // A client of a native Wayland compositor cannot place its own windows.
    , m_pinning(!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    m_ui.setupUi(this);
    connectHandlers();
    Form_Load();
}

Form1::~Form1() {
    delete m_layoutEvents;
}

void Form1::connectHandlers() {
    connect(m_ui.Timer_end, &QTimer::timeout, this, &Form1::Timer_end_Timer);
    connect(&m_sequence, &PlaySequence::handedToPlayer, this,
            [this](const QString &path) { m_drill.soundHandedToPlayer(path); });
    connectDrill();
    connectLayout();
    connectMenus();
    connectHelp();
    connectNews();
}

void Form1::Form_Load() {
    setWindowTitle(texts::windowCaption());
    // The drill as it starts: the free mode, medium speed checked at 2000 ms.
    showExercise();
    showSpeed();
    refreshReadouts();
    anliu(m_drill.buttonsShown());
    showSwatch(m_drill.swatchColour());

    const ProgramFolder folder(m_services.programFolder);
    if (newsoptionfile::readOption(folder.newsOptionFile())) {
        m_newsPopUp->setSwitchedOff(true);
        m_ui.bangzhu1.value(menuindex::NoNewsPopup)->setChecked(true);
    }

    if (m_services.tray != nullptr) {
        m_services.tray->tianjia_tuopan(this, m_ui.kor_tuopan);
        m_services.tray->shezhi_tishi(windowTitle());
    }

    // The tray menu serves only as the tray icon's pop-up menu.
    m_ui.kor_tuopan->menuAction()->setVisible(false);

    // The window opens where its normal arrangement pins it.
    Form_Resize(true, true);
}

void Form1::closeEvent(QCloseEvent *event) {
    // Closing is never done by the window system: the program winds down
    // itself and ends on the next tick of Timer_end.
    event->ignore();
    Form_Unload();
}

void Form1::Form_Unload() {
    if (m_services.tray != nullptr)
        m_services.tray->shanchu_tuopan();
    qingli_canyu();
    m_state.guanbi_biaozhi = true;
    m_ui.Timer_end->start();
}

void Form1::Timer_end_Timer() {
    if (m_state.guanbi_biaozhi)
        QCoreApplication::exit(0);
}

void Form1::apply(const ColourDrill::Answer &answer) {
    if ((answer.changes & ColourDrill::ExerciseMarks) != 0U)
        showExercise();
    if ((answer.changes & ColourDrill::Buttons) != 0U)
        anliu(m_drill.buttonsShown());
    if ((answer.changes & ColourDrill::Swatch) != 0U)
        showSwatch(m_drill.swatchColour());
    if ((answer.changes & ColourDrill::Readouts) != 0U)
        refreshReadouts();
    if ((answer.changes & ColourDrill::StatusText) != 0U) {
        m_ui.Text2->setText(m_drill.statusText());
        readeraccess::setStatusText(m_ui.Text2, m_drill.statusMessage());
    }
    if ((answer.changes & ColourDrill::Speed) != 0U)
        showSpeed();

    switch (answer.sound) {
    case ColourDrill::Sound::None:
        break;
    case ColourDrill::Sound::Request:
        m_sequence.bofang_shengyin(answer.recording);
        break;
    case ColourDrill::Sound::Stop:
        m_services.player->Stop();
        break;
    }
    // After the drill's sound, so that a step's name is not cut short by it.
    if (m_scan != nullptr)
        showScan(m_scan->follow(m_drill.exercise(), m_drill.questionsAsked()));
}

void Form1::anliu(bool show) {
    QWidgetList buttons;
    for (int i = 0; i < 16; ++i) {
        ColourButton *button = m_ui.Command1.at(static_cast<std::size_t>(i));
        button->setBackColour(m_drill.buttonColour(i));
        button->setText(m_drill.buttonCaption(i));
        button->setAccessibleName(m_drill.buttonAccessibleName(i));
        buttons << button;
    }
    QWidgetList mixing; // the red slider first
    for (std::size_t k = 0; k < 3; ++k)
        mixing << m_ui.slider1.at(k) << m_ui.Label1.at(k) << m_ui.Label2.at(k) << m_ui.Label3.at(k);

    // When the groups change places, the focus goes to the first control
    // shown: the red slider, or the first colour button. The group comes
    // before the other goes, so that the focus never passes over the
    // controls about to hide.
    const QWidgetList &shown = show ? buttons : mixing;
    const QWidgetList &hidden = show ? mixing : buttons;
    const bool switching = shown.first()->isHidden();
    for (QWidget *widget : shown)
        widget->setVisible(true);
    if (switching)
        shown.first()->setFocus();
    for (QWidget *widget : hidden)
        widget->setVisible(false);
}

void Form1::showSwatch(quint32 colour) {
    m_ui.Text1->setBackColour(colour);
    m_ui.Text1->setAccessibleDescription(m_drill.swatchDescription());
    m_ui.Text2->setBackColour(colour);
}

void Form1::refreshReadouts() {
    // Each slider describes the colour by the three read-outs, so that a
    // reader says them with the slider's new value.
    QStringList said;
    for (std::size_t k = 0; k < 3; ++k) {
        m_ui.Label3.at(k)->setText(m_drill.readouts().at(k));
        said << m_ui.Label2.at(k)->text() + QLatin1Char(' ') + m_drill.readouts().at(k);
    }
    for (QSlider *slider : m_ui.slider1)
        slider->setAccessibleDescription(said.join(QStringLiteral("，")));
}

void Form1::showExercise() {
    using Exercise = ColourDrill::Exercise;
    const Exercise exercise = m_drill.exercise();
    m_ui.zidongbofang->setChecked(exercise == Exercise::AutomaticPlay);
    m_ui.ceshi->setChecked(exercise == Exercise::Test);
    m_ui.shoudongpeise->setChecked(exercise == Exercise::Mixing);
}

void Form1::showSpeed() {
    m_ui.sudu1.value(m_drill.speed())->setChecked(true);
    m_ui.Timer1->setInterval(m_drill.playIntervalMs());
}
