#pragma once

#include "launcher/service/httpexchange.h"

#include <QImage>
#include <QJsonObject>

#include <functional>

class HostCallLog;
class HostEvents;
class HostFaults;
class IVornik;
class PageTraffic;

// The control API under /control/: scripts read the host call log and the page's traffic (all of
// it, or with ?since=SEQ only the entries after the one they saw last) and the page's state, report host events, call
// IVornik operations, refresh the page, take a screenshot of the window, turn host faults on and
// off, and end the launcher. A request that is malformed in any way is answered 400
// with {"error": ...} before anything is changed. Runs on the GUI thread: it touches the plug-in
// and the stand-in host directly. The log's answer is written out later, off the GUI thread, so
// the log must outlive the transport's answers.
class ControlApi
{
public:
    struct Hooks
    {
        // Asked to end the launcher; must return before the launcher goes, so the answer gets out.
        std::function<void()> quit;
        // What GET /control/page answers.
        std::function<QJsonObject()> pageState;
        // What GET /control/traffic answers; it must outlive the transport's answers too.
        PageTraffic* traffic = nullptr;
    };
    // What a launcher with a window and a page offers besides; without it those resources answer 404.
    struct Workbench
    {
        // POST /control/reload: refreshes the page as its own refresh does; false with the reason.
        std::function<bool(QString* error)> reload;
        // GET /control/screenshot: the window as it is now.
        std::function<QImage()> screenshot;
        // /control/fault/...
        HostFaults* faults = nullptr;
    };

    ControlApi(HostEvents* events, IVornik* vornik, HostCallLog* log, Hooks hooks);
    void setWorkbench(Workbench workbench);

    // Whether the path belongs to the control API.
    static bool handles(const QString& path);
    HttpResponse handle(const HttpRequest& request);

private:
    HttpResponse log(const HttpRequest& request);
    HttpResponse traffic(const HttpRequest& request);
    HttpResponse language(const QJsonObject& body);
    HttpResponse account(const QJsonObject& body);
    HttpResponse country(const QJsonObject& body);
    HttpResponse strategy(const QJsonObject& body);
    HttpResponse vornik(const QString& operation, const HttpRequest& request);
    HttpResponse fault(const QString& name, const QJsonObject& body);

    HostEvents* m_events;
    IVornik* m_vornik;
    HostCallLog* m_log;
    Hooks m_hooks;
    Workbench m_workbench;
};
