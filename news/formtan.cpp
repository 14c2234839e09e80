#include "formtan.h"

#include "linkcursor.h"
#include "newsview.h"
#include "readeraccess.h"
#include "skiptaskbar.h"
#include "topmost.h"
#include "units.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

namespace {

QRect twipRect(int left, int top, int width, int height) {
    return {units::twipsToPx(left), units::twipsToPx(top), units::twipsToPx(width),
            units::twipsToPx(height)};
}

// The fade-out: opacity from 255 down by 10 while it is at least 10.
constexpr int kFadeFrom = 255;
constexpr int kFadeStep = 10;

} // namespace

// A plain top-level window kept above the others. Other kinds fare worse:
// KWin hides a tool window while another program is active
// (HideUtilityWindowsForInactive), stacks a splash screen among the normal
// windows and lets nobody move a notification. The taskbar entry that a
// plain window gets is taken away when it is shown.
FormTan::FormTan(NewsViewFactory *factory, QRect workArea)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("form_tan"));
    setWindowTitle(QStringLiteral("新闻资讯"));
    readeraccess::offerWindow(this); // a reader reads the title there
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(units::twipsToPx(3870), units::twipsToPx(3915));

    Picture2 = new QLabel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(twipRect(0, 0, 3855, 3915));
    Picture2->setPixmap(QPixmap(QStringLiteral(":/news/form_tan.png"), "PNG"));

    Picture1 = new QWidget(Picture2);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipRect(60, 360, 3675, 3435));
    Picture1->setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);

    Label2 = new QLabel(QStringLiteral("  新闻资讯"), Picture2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipRect(60, 60, 3435, 255));
    QPalette title = Label2->palette();
    title.setColor(QPalette::WindowText, Qt::white);
    Label2->setPalette(title);
    Label2->installEventFilter(this);

    // The background picture draws the close mark; the box over it draws
    // only its focus frame, and Tab, Space and Return reach it.
    Label1 = new QPushButton(Picture2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QStringLiteral("关闭"));
    Label1->setGeometry(twipRect(3540, 0, 255, 255));
    Label1->setCursor(linkCursor());
    Label1->setAutoDefault(true);
    Label1->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"
                                         "QPushButton:focus { border: 1px solid #ffffff; "
                                         "border-radius: 8px; }"));
    connect(Label1, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    if (factory != nullptr)
        WebBrowser1 = factory->createView(Picture1);
    if (WebBrowser1 != nullptr)
        WebBrowser1->widget()->setObjectName(QStringLiteral("WebBrowser1"));

    // In the view's place, in the white container.
    m_notice = new QLabel(Picture1);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setGeometry(Picture1->rect());
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_notice->setWordWrap(true);
    m_notice->setMargin(units::twipsToPx(210));
    m_notice->setAutoFillBackground(true);
    QPalette note = m_notice->palette();
    note.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xd6));
    note.setColor(QPalette::WindowText, QColor(0x5c, 0x43, 0x00));
    m_notice->setPalette(note);
    QFont font = m_notice->font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(units::twipsToPx(225));
    m_notice->setFont(font);
    m_notice->hide();

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &FormTan::Timer1_Timer);
    m_fade.setObjectName(QStringLiteral("fade"));
    m_fade.setInterval(0);
    connect(&m_fade, &QTimer::timeout, this, &FormTan::fadeStep);

    Form_Load(workArea);
}

FormTan::~FormTan() = default;

void FormTan::Form_Load(QRect area) {
    Timer1.setInterval(kRiseIntervalMs);

    // The bottom-right corner meets that of the work area, wherever the
    // desktop's panels are.
    if (area.isNull()) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    }
    move(area.x() + area.width() - width(), area.y() + area.height() - height());

    // Almost nothing shows yet: the band grows upwards from the bottom edge,
    // from the moment the window is on the screen (riseWhenReady).
    m_top = height() - 1;
    setMask(QRegion(0, m_top, width(), height() - m_top));

    if (WebBrowser1 != nullptr) {
        const QSize container = Picture1->size();
        const int margin = units::twipsToPx(60);
        const int extra = units::twipsToPx(400);
        WebBrowser1->widget()->setGeometry(-margin, -margin, container.width() + extra,
                                           container.height() + extra);
    }
    zhiding(this);
}

void FormTan::pageLoaded() {
    // A page loaded while the window was hidden: the rise is long over when
    // the window is shown, and it appears at once.
    if (!isVisible())
        finishRise();
}

void FormTan::showNotice(const QString &text) {
    // In the page's place: the engine draws its view above its siblings.
    m_notice->setText(text);
    m_notice->show();
    if (WebBrowser1 != nullptr)
        WebBrowser1->widget()->hide();
}

void FormTan::hideNotice() {
    m_notice->hide();
    if (WebBrowser1 != nullptr)
        WebBrowser1->widget()->show();
}

void FormTan::riseWhenReady() {
    // Once the window is on the screen, showing its first row: a window
    // shown before its page is there rises at once, and the page loads
    // inside it.
    const QWindow *window = windowHandle();
    if (m_top >= 1 && !Timer1.isActive() && window != nullptr && window->isExposed())
        Timer1.start();
}

void FormTan::Timer1_Timer() {
    m_top -= kRiseStepPx;
    if (m_top < 1) {
        finishRise();
        return;
    }
    setMask(QRegion(0, m_top, width(), height() - m_top));
}

void FormTan::finishRise() {
    m_top = 0;
    Timer1.stop();
    clearMask(); // the band is the whole window
}

bool FormTan::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Expose && watched == windowHandle()) {
        riseWhenReady();
        return QWidget::eventFilter(watched, event);
    }
    if (watched == Label2 && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // The title is the caption: the window system moves the window.
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FormTan::showEvent(QShowEvent *event) {
    // Mapped right after this; window managers read the states only then.
    skipTaskbar(windowHandle());
    if (QWindow *window = windowHandle())
        window->installEventFilter(this); // once mapped, the rise begins
    QWidget::showEvent(event);
}

void FormTan::closeEvent(QCloseEvent *event) {
    if (m_faded) {
        event->accept();
        return;
    }
    // Fade first, one step per turn of the event loop; then close for real.
    // Where the window system cannot fade, the steps change nothing and the
    // window simply goes.
    event->ignore();
    if (!m_fade.isActive()) {
        m_alpha = kFadeFrom;
        m_fade.start();
    }
}

void FormTan::fadeStep() {
    if (m_alpha >= kFadeStep) {
        setWindowOpacity(m_alpha / 255.0);
        m_alpha -= kFadeStep;
        return;
    }
    m_fade.stop();
    m_faded = true;
    close();
}
