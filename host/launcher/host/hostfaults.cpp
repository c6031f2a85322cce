#include "launcher/host/hostfaults.h"

#include "launcher/page/pagewatcher.h"
#include "standinsimulatormgr.h"

#include <QWebEnginePage>

#include <signal.h>

HostFaults::HostFaults(StandInSimulatorMgr* simulator, PageWatcher* page, QObject* parent)
    : QObject(parent)
    , m_simulator(simulator)
    , m_page(page)
{
}

bool HostFaults::webHostUnreachable() const
{
    return m_webHostUnreachable;
}

void HostFaults::setWebHostUnreachable(bool on)
{
    m_webHostUnreachable = on;
    emit changed();
}

bool HostFaults::modedListFailing() const
{
    return m_modedListFailing;
}

void HostFaults::setModedListFailing(bool on)
{
    m_modedListFailing = on;
    emit changed();
}

bool HostFaults::apkFailing() const
{
    return m_simulator->apkFailing();
}

void HostFaults::setApkFailing(bool on)
{
    m_simulator->setApkFailing(on);
    emit changed();
}

int HostFaults::apkDelayMs() const
{
    return m_simulator->apkDelay();
}

void HostFaults::setApkDelay(int delayMs)
{
    m_simulator->setApkDelay(delayMs);
    emit changed();
}

bool HostFaults::crashRenderer(QString* error)
{
    QWebEnginePage* page = m_page->page();
    const qint64 pid = page ? page->renderProcessPid() : 0;
    if (pid <= 0) {
        *error = QStringLiteral("the page has no render process right now");
        return false;
    }
    // A segmentation fault from outside is what the engine sees of a renderer that crashed by
    // itself: it reports the crash to the page's owner, and the plug-in's restart takes over.
    if (::kill(static_cast<pid_t>(pid), SIGSEGV) != 0) {
        *error = QStringLiteral("the render process %1 could not be ended").arg(pid);
        return false;
    }
    return true;
}

QJsonObject HostFaults::state() const
{
    return QJsonObject{
        {QStringLiteral("webHostUnreachable"), m_webHostUnreachable},
        {QStringLiteral("modedListFailing"), m_modedListFailing},
        {QStringLiteral("apkFailing"), apkFailing()},
        {QStringLiteral("apkDelayMs"), apkDelayMs()},
    };
}
