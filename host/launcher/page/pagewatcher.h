#pragma once

#include "launcher/page/pagetraffic.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QWebEngineView;
class QWidget;

// Follows the plug-in's page from the host's side: what it shows, whether its last load
// finished, whether that was the offline page, whether the page is ready, and what the page and
// the plug-in say to each other. A loaded page is ready once its script has sent its first
// command (its channel is up, so what the plug-in pushes from then on reaches it), or once it
// says so itself with data-ready="true" on its root element; the offline page is ready when it
// has loaded.
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
    // The page the plug-in shows, or null before watch() or once it has gone.
    QWebEnginePage* page() const;
    // Sends "notifyClientRefresh" over the page's bridge, as the offline page's retry does: the
    // plug-in tests the web host again and loads the page anew. False with *error when the page
    // has no bridge.
    bool refresh(QString* error);

signals:
    void stateChanged();

private slots:
    // The bridge's notice of a command; connected by name, the host has no header of the bridge.
    void onCommand();

private:
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void askReady();

    QPointer<QWebEngineView> m_view;
    PageTraffic m_traffic;
    QTimer m_poll;
    bool m_loaded = false;
    bool m_ready = false;
    bool m_commandSeen = false;
};
