// The launcher's host room: the host it plays (host events and faults, IVornik operations, the list's listener).
#pragma once

#include "hostrecords.h"

#include <QObject>
#include <QPointer>

class StandInHost;

// The four changes the launcher host reports to the plug-in, done the way the real host does
// them. The console's controls and the control API both come through here. GUI thread only.
class HostEvents : public QObject
{
    Q_OBJECT
public:
    // plugin receives the posted events; it may go away before this object does.
    HostEvents(StandInHost* host, QObject* plugin, QObject* parent = nullptr);

    // The language service switches and emits its change signal.
    void changeLanguage(const QString& code);
    // The account service takes the record and emits its change signal with it.
    void changeAccount(const ACCOUNTINFO& account);
    // The country-code event is posted to the plug-in.
    void changeCountry(const QString& code);
    // The setting changes and the play-strategy event is posted to its listeners.
    void changeStrategy(int oneButtonConfig);

    StandInHost* host() const;

signals:
    // After each change, so views of the host state can follow.
    void changed();

private:
    StandInHost* m_host;
    QPointer<QObject> m_plugin;
};
