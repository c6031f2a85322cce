#pragma once

#include "pagetraffic.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QWebEngineView;
class QWidget;

// Follows the plug-in's page from the host's side: what it shows, whether its last load
// finished, whether that was the offline page, and whether the page's script says it is ready
// (the demo page sets data-ready="true" on its root element once it has its state; the offline
// page has no state to wait for), and what the page and the plug-in say to each other.
class PageWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PageWatcher(QObject* parent = nullptr);

    // The plug-in puts its view into container during createView; call this after it.
    // False when there is no view to watch.
    bool watch(QWidget* container);

    bool loaded() const;
    bool offline() const;
    bool ready() const;
    QUrl url() const;
    // {"url", "loaded", "offline", "ready"}
    QJsonObject state() const;
    // Follows the page's bridge once watch() has found the view.
    PageTraffic* traffic();

signals:
    void stateChanged();

private:
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void askReady();

    QPointer<QWebEngineView> m_view;
    PageTraffic m_traffic;
    QTimer m_poll;
    bool m_loaded = false;
    bool m_ready = false;
};
