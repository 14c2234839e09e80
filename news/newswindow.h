#pragma once

#include "clickgate.h"
#include "newsprotocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>

class FormTan;
class NewsViewFactory;

// The news window as the news viewer keeps it: made (hidden) on first use
// with a web view from the factory, told what to do by the program's
// messages, telling the program what its page does. Closing the window
// deletes it and emits closed().
//
// Only the user's clicks may open the default browser: a page's request to
// open a new window is passed on to the program only when a click in the
// window allows it (ClickGate), once per click.
class NewsWindow final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewsWindow)

public:
    using Tell = std::function<void(const newsprotocol::Message &)>;

    NewsWindow(NewsViewFactory *factory, Tell tell, QObject *parent = nullptr);
    // A window still open goes at once, without the fade.
    ~NewsWindow() override;

    // Carries out one of the program's messages; false when the window
    // cannot be made (the web engine does not start).
    bool handle(const newsprotocol::Message &message);

    [[nodiscard]] FormTan *form() const;

signals:
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FormTan *window();

    NewsViewFactory *m_factory;
    Tell m_tell;
    QPointer<FormTan> m_form;
    ClickGate m_clicks;
    QElapsedTimer m_clock;
};
