#pragma once

#include <QJsonObject>
#include <QObject>

class PageWatcher;
class StandInSimulatorMgr;

// What can go wrong around the page, made to go wrong on request, so a page can be watched
// living through it: the web host stops serving the page, the moded game list server answers
// with errors, the host's APK look-ups come late or empty, the page's render process crashes.
// Each is the real thing as far as the plug-in can tell: the launcher's web service and the
// stand-in emulator manager answer differently, and the crash is a crash. The switches hold
// until turned off. GUI thread only.
class HostFaults : public QObject
{
    Q_OBJECT
public:
    HostFaults(StandInSimulatorMgr* simulator, PageWatcher* page, QObject* parent = nullptr);

    // The web service answers every request for the page and its files with 503.
    bool webHostUnreachable() const;
    void setWebHostUnreachable(bool on);
    // The web service answers every request for the moded game list with 503.
    bool modedListFailing() const;
    void setModedListFailing(bool on);
    // The host answers every APK look-up with no address.
    bool apkFailing() const;
    void setApkFailing(bool on);
    // The host answers every APK look-up this late; 0 at its usual pace.
    int apkDelayMs() const;
    void setApkDelay(int delayMs);

    // Kills the page's render process as a crash does; false with *error when it has none.
    bool crashRenderer(QString* error);

    // {"webHostUnreachable", "modedListFailing", "apkFailing", "apkDelayMs"}
    QJsonObject state() const;

signals:
    void changed();

private:
    StandInSimulatorMgr* m_simulator;
    PageWatcher* m_page;
    bool m_webHostUnreachable = false;
    bool m_modedListFailing = false;
};
