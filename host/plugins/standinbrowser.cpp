#include "standinbrowser.h"

#include "hostcontract.h"

#include <QJsonValue>

QUuid StandInBrowser::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kBrowserPlugin.uuid));
}

StandInBrowser::StandInBrowser(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IBrowser"), profile, log, parent)
{
}

void StandInBrowser::createView(int pageType, const QString& url, QWidget* parent)
{
    record(QStringLiteral("createView"), {pageType, url, parent != nullptr});
}

void StandInBrowser::startDomainTest(int pageType)
{
    record(QStringLiteral("startDomainTest"), {pageType});
}

void StandInBrowser::sendToPage(int pageMask, const QString& event, const QJsonObject& data)
{
    record(QStringLiteral("sendToPage"), {pageMask, event, data});
}

void StandInBrowser::realSearch(const QString& query, const QVariant& context)
{
    record(QStringLiteral("realSearch"), {query, QJsonValue::fromVariant(context)});
}

void StandInBrowser::gotoSearch(const QString& query)
{
    record(QStringLiteral("gotoSearch"), {query});
}

void StandInBrowser::languageChanged(const QString& code)
{
    record(QStringLiteral("languageChanged"), {code});
}

void StandInBrowser::setViewsVisible(bool visible)
{
    record(QStringLiteral("setViewsVisible"), {visible});
}

void StandInBrowser::modedGameListDocument(const QJsonObject& document)
{
    record(QStringLiteral("modedGameListDocument"), {document});
}

bool StandInBrowser::routeToPage(int pageType, bool force)
{
    record(QStringLiteral("routeToPage"), {pageType, force});
    // This browser has no pages to route to.
    return false;
}

void StandInBrowser::pushInstalledApps()
{
    record(QStringLiteral("pushInstalledApps"));
}

const QString& StandInBrowser::emptyText()
{
    record(QStringLiteral("emptyText"));
    return m_emptyText;
}

void StandInBrowser::updateOneButtonConfig(int value)
{
    record(QStringLiteral("updateOneButtonConfig"), {value});
}
