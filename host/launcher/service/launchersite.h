#pragma once

#include "launcher/service/httpexchange.h"

#include <QString>

class ControlApi;
class HostCallLog;
class HostFaults;
struct HostProfile;

// Everything the launcher's web service answers: the demo page and its files, Qt's
// qwebchannel.js, the moded game list of the host profile, and the control API. Only requests
// addressed to this service itself are answered, and the control API only to scripts and to
// pages of this service, so a web page elsewhere cannot drive the launcher or read its log.
// Runs on the GUI thread.
class LauncherSite
{
public:
    LauncherSite(const QString& wwwDir, const HostProfile* profile, HostCallLog* log, ControlApi* control);

    // The port requests must be addressed to (in their Host header).
    void setPort(int port);
    // The host faults the site answers by; without them it answers as a healthy host.
    void setFaults(const HostFaults* faults);

    HttpResponse handle(const HttpRequest& request);

private:
    HttpResponse gameList(const HttpRequest& request);
    HttpResponse wwwFile(const QString& name);

    QString m_wwwDir;
    const HostProfile* m_profile;
    HostCallLog* m_log;
    ControlApi* m_control;
    const HostFaults* m_faults = nullptr;
    int m_port = 0;
};
