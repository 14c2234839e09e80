#include "form1.h"

#include "bofangshengyin.h"
#include "colourbutton.h"
#include "colourtable.h"
#include "newsoptionfile.h"
#include "swatchbox.h"
#include "texts.h"
#include "trayservice.h"
#include "tuopancanyu.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>

Form1::Form1(const Form1Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_sequence(std::make_unique<PlaySequence>(*services.player)) {
    m_ui.setupUi(this);
    connectHandlers();
    Form_Load();
}

Form1::~Form1() {
    delete m_layoutEvents;
}

void Form1::connectHandlers() {
    connect(m_ui.Timer_end, &QTimer::timeout, this, &Form1::Timer_end_Timer);
    connectButtons();
    connectExercises();
    connectLayout();
    connectMenus();
}

void Form1::Form_Load() {
    setWindowTitle(texts::windowCaption());
    m_state.yanse_mingcheng = colourtable::names();
    m_state.dangqian_shengyin =
        soundpath::colourNameSound(programFolder(), m_state.yanse_mingcheng[0]);

    // The read-outs start from the sliders and the swatch as designed.
    m_ui.Label3[0]->setText(texts::tripleText(m_ui.slider1[0]->value(), m_ui.slider1[1]->value(),
                                              m_ui.slider1[2]->value()));
    m_ui.Label3[1]->setText(texts::decimalText(m_ui.Text1->backColour()));
    m_ui.Label3[2]->setText(texts::hexText(m_ui.Text1->backColour()));

    anliu(true);

    if (newsoptionfile::readFile(newsoptionfile::location(programFolder())))
        m_ui.bangzhu1.value(5)->setChecked(true);

    m_state.chuangkou_zhuangtai = isMaximized() ? 2 : 0;

    if (m_services.tray != nullptr) {
        m_services.tray->tianjia_tuopan(this, m_ui.kor_tuopan);
        m_services.tray->shezhi_tishi(windowTitle());
    }

    // The tray menu serves only as the tray icon's pop-up menu.
    m_ui.kor_tuopan->menuAction()->setVisible(false);

    // The window opens where its normal arrangement pins it.
    Form_Resize();
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
    m_state.guanbi_biaozhi = Form1State::kClosing;
    m_ui.Timer_end->start();
}

void Form1::Timer_end_Timer() {
    if (m_state.guanbi_biaozhi == Form1State::kClosing)
        QCoreApplication::exit(0);
}

void Form1::anliu(bool show) {
    for (int i = 0; i < 16; ++i) {
        ColourButton *button = m_ui.Command1.at(static_cast<std::size_t>(i));
        button->setVisible(show);
        button->setBackColour(colourtable::value(i));
        button->setText(m_state.yanse_mingcheng.at(static_cast<std::size_t>(i)));
    }
    for (std::size_t k = 0; k < 3; ++k) {
        m_ui.Label1[k]->setVisible(!show);
        m_ui.Label2[k]->setVisible(!show);
        m_ui.Label3[k]->setVisible(!show);
        m_ui.slider1[k]->setVisible(!show);
    }
}

bool Form1::bofang_shengyin(const QString &path) {
    return m_sequence->bofang_shengyin(path, m_state.dangqian_shengyin);
}
