#pragma once

#include "newsview.h"

#include <QObject>
#include <QPointer>

class QWebEngineProfile;

// The plugin the program loads for its news window.
class WebNewsViewPlugin final : public QObject, public NewsViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID NewsViewFactory_iid)
    Q_INTERFACES(NewsViewFactory)
    Q_DISABLE_COPY_MOVE(WebNewsViewPlugin)

public:
    WebNewsViewPlugin() = default;
    ~WebNewsViewPlugin() override = default;

    NewsView *createView(QWidget *parent) override;

private:
    QWebEngineProfile *profile();

    QPointer<QWebEngineProfile> m_profile;
};
