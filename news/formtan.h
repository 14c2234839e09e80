#pragma once

#include <QTimer>
#include <QWidget>

class NewsView;
class NewsViewFactory;
class QLabel;
class QPushButton;

// form_tan, the news window: borderless, not in the taskbar, in the
// bottom-right corner of the screen's work area and above other programs'
// windows. Its background picture draws its frame, title band and close mark;
// the page is clipped by a white container that the view overlaps on every
// side, so the view's border and scroll bars stay out of sight. It rises into
// view from its bottom edge once it is on the screen, and its page loads
// inside it; one whose page loaded while it was hidden (the timed pop-up's)
// appears at once, fully drawn. It is dragged by its title and fades out
// when closed, by its close box or with Escape; closing deletes it.
class FormTan final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormTan)

public:
    // Without a web view (no plugin, or the engine does not start) the window
    // has nothing to show: check view() before using it. The window goes to
    // the corner of workArea, by default the primary screen's work area.
    explicit FormTan(NewsViewFactory *factory, QRect workArea = {});
    ~FormTan() override;

    [[nodiscard]] NewsView *view() const { return WebBrowser1; }
    // The view's page has loaded (or failed, or was stopped).
    void pageLoaded();
    // A note of the window's own over the page, until hideNotice().
    void showNotice(const QString &text);
    void hideNotice();

    static constexpr int kRiseStepPx = 100;
    static constexpr int kRiseIntervalMs = 10;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load(QRect area);
    void riseWhenReady();
    void finishRise();
    void Timer1_Timer();
    void fadeStep();

    QLabel *Picture2 = nullptr;  // background picture
    QWidget *Picture1 = nullptr; // white clipping container of the view
    NewsView *WebBrowser1 = nullptr;
    QLabel *Label2 = nullptr;      // title, drag handle
    QPushButton *Label1 = nullptr; // close box, also on the keyboard
    QLabel *m_notice = nullptr;    // over the page, when it cannot be had
    QTimer Timer1{this};           // rise into view

    int m_top = 0; // the moving top edge of the visible band
    QTimer m_fade{this};
    int m_alpha = 255;
    bool m_faded = false;
};
