#include "standinmainwindow.h"

#include "hostcontract.h"
#include "hostprofile.h"
#include "hostrecordjson.h"

#include <QJsonValue>

QUuid StandInMainWindow::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kMainWindowPlugin.uuid));
}

StandInMainWindow::StandInMainWindow(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IMainWindow"), profile, log, parent)
{
}

void StandInMainWindow::setCurrentPage(int pageType)
{
    profile().currentPage = pageType;
}

void StandInMainWindow::setLoadingSpinnerSuppressed(bool suppressed)
{
    profile().loadingSpinnerSuppressed = suppressed;
}

void StandInMainWindow::showLogin()
{
    record(QStringLiteral("showLogin"));
}

int StandInMainWindow::currentPage()
{
    record(QStringLiteral("currentPage"));
    return profile().currentPage;
}

void StandInMainWindow::finishBootAnimation(bool finish)
{
    record(QStringLiteral("finishBootAnimation"), {finish});
}

void StandInMainWindow::changeBannerBackground(const BannerImageInfo& info)
{
    record(QStringLiteral("changeBannerBackground"), {HostRecordJson::toJson(info)});
}

bool StandInMainWindow::loadingSpinnerSuppressed()
{
    record(QStringLiteral("loadingSpinnerSuppressed"));
    return profile().loadingSpinnerSuppressed;
}

void StandInMainWindow::searchInGooglePlay(const QString& query)
{
    record(QStringLiteral("searchInGooglePlay"), {query});
}

void StandInMainWindow::pushRealSearchResults(const QList<SearchResultInfo>& results, QVariant context)
{
    record(QStringLiteral("pushRealSearchResults"),
           {HostRecordJson::toJson(results), QJsonValue::fromVariant(context)});
}
