#pragma once

#include "hostprofile.h"
#include "kevent.h"
#include "modedgame.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>

class HostCallLog;
class IPlugin;
class IVornik;
class QWebEnginePage;
class StandInHost;

// The plug-in as the host sees it: loaded from its file through QPluginLoader, bound to a fresh
// stand-in host, and deleted again (with its web manager) when the harness goes.
class PluginHarness
{
public:
    explicit PluginHarness(const HostProfile& profile = testProfile());
    ~PluginHarness();

    // A profile for tests: feature on, a connectivity test address that needs no resolver,
    // English.
    static HostProfile testProfile();
    static QUrl probePage();
    // The plug-in's one object as the loader hands it out (created on demand).
    static QObject* pluginInstance();

    QObject* object() const;
    IPlugin* plugin() const;
    IVornik* vornik() const;
    StandInHost* host() const;
    HostCallLog* log() const;

    // Registers the plug-in with the stand-in manager and calls bindHost with it.
    bool bind();

    // createView(8, url, container) in a shown container; then waits until the connectivity test
    // has answered, the page has finished loading and its script is connected to the bridge.
    // False on time-out.
    bool showPage(const QUrl& url = probePage());

    QWidget* container() const;
    QWebEnginePage* page() const;
    QObject* webManager() const;
    QObject* bridge() const;

    // Hands the plug-in a finished request, as the host's HTTP service does, without the network.
    void deliver(const QString& requestName, const QByteArray& body);

    // Destroys the plug-in now (as the host does), leaving the host alive.
    void destroyPlugin();

private:
    std::unique_ptr<StandInHost> m_host;
    QPointer<QObject> m_object;
    std::unique_ptr<QWidget> m_container;
    int m_loadsStarted = 0;
    int m_loadsFinished = 0;
    bool m_lastLoadOk = false;
};

// A host object subscribed to the list: counts the events it is sent and keeps the list they name.
class ListListener : public QObject
{
public:
    int events = 0;
    ModedGameList* list = nullptr;

protected:
    bool event(QEvent* event) override
    {
        if (int(event->type()) != KEvent::ModedGameListChange)
            return QObject::event(event);
        ++events;
        list = static_cast<ModedGameListChangedEvent*>(event)->modedGameList;
        return true;
    }
};
