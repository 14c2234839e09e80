#include "newswindow.h"

#include "formtan.h"
#include "newsaddress.h"
#include "newsview.h"

#include <QApplication>
#include <QMouseEvent>

#include <utility>

using newsprotocol::Kind;

NewsWindow::NewsWindow(NewsViewFactory *factory, Tell tell, QObject *parent)
    : QObject(parent)
    , m_factory(factory)
    , m_tell(std::move(tell)) {
    m_clock.start();
    // Clicks on the page reach the web engine's own widgets inside the
    // window: they are seen on their way there.
    qApp->installEventFilter(this);
}

NewsWindow::~NewsWindow() {
    delete m_form;
}

FormTan *NewsWindow::form() const {
    return m_form;
}

FormTan *NewsWindow::window() {
    if (m_form)
        return m_form;
    auto *form = new FormTan(m_factory);
    NewsView *view = form->view();
    if (view == nullptr) {
        delete form;
        return nullptr;
    }
    view->onLoadStarted = [this, view] { m_tell({Kind::Loading, view->address()}); };
    view->onLoaded = [this, view] {
        if (const auto failure = view->failure(); failure && m_form)
            m_form->showNotice(newsNoticeText(*failure));
        m_tell({Kind::Loaded, view->address(), view->bodyText()});
        if (m_form)
            m_form->pageLoaded();
    };
    view->onNewWindow = [this](const QUrl &url) {
        const QString address = url.toString();
        if (!m_clicks.allowOpen(m_clock.elapsed()))
            return; // not the answer to a click: dropped
        if (newsaddress::opensInBrowser(address))
            m_tell({Kind::Open, address});
    };
    connect(form, &QObject::destroyed, this, [this] {
        m_tell({Kind::Closed});
        emit closed();
    });
    m_form = form;
    return form;
}

bool NewsWindow::handle(const newsprotocol::Message &message) {
    if (message.kind == Kind::Ping) {
        m_tell({Kind::Pong}); // with no window made for it
        return true;
    }
    FormTan *form = window();
    if (form == nullptr)
        return false;
    switch (message.kind) {
    case Kind::Navigate:
        form->hideNotice();
        if (newsaddress::isServerSet(message.url)) {
            form->view()->navigate(QUrl(message.url));
        } else {
            // Nobody to ask: the note, and nothing fetched.
            form->showNotice(newsNoticeText(NewsNotice::NoServer));
            m_tell({Kind::Loaded, message.url});
        }
        break;
    case Kind::Show:
        form->show();
        form->raise();
        form->activateWindow();
        break;
    case Kind::Stop:
        if (form->view()->isLoading()) {
            form->view()->stop();
            form->showNotice(newsNoticeText(NewsNotice::TooSlow));
        }
        break;
    case Kind::Ping:
    case Kind::Loading:
    case Kind::Loaded:
    case Kind::Open:
    case Kind::Closed:
    case Kind::Pong:
        break; // the viewer's own words
    }
    return true;
}

bool NewsWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress && m_form && m_form->isVisible()) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (widget != nullptr && widget->window() == m_form && mouse->spontaneous())
            m_clicks.clicked(m_clock.elapsed());
    }
    return QObject::eventFilter(watched, event);
}
