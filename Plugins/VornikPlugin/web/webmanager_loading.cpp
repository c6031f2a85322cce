#include "webmanager.h"

#include "../core/hostregistry.h"
#include "imainwindow.h"
#include "klauncher.h"
#include "language.h"
#include "mywebengineviewvk.h"
#include "objectproperty.h"
#include "waitloading.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <QWebEnginePage>

namespace {

void finishBootAnimation()
{
    if (IMainWindow* mainWindow = HostRegistry::mainWindow())
        mainWindow->finishBootAnimation(true);
}

} // namespace

int WebManager::watchdogInterval() const
{
    // Tests may shorten the watchdog through this property; the host never sets it.
    bool ok = false;
    const int interval = property("watchdogIntervalMs").toInt(&ok);
    return ok && interval > 0 ? interval : kWatchdogIntervalMs;
}

void WebManager::domainTest(int type)
{
    Q_UNUSED(type)
    const QUrl address(KLauncher::instance()->getAppConfigValue(AppConfigWebTestUrl).toString(), QUrl::TolerantMode);
    const QString host = address.host(QUrl::FullyDecoded);
    qInfo() << "domain test host: " << host;
    QHostInfo::lookupHost(host, this, SLOT(onLookedUp_Vornik(QHostInfo)));
}

void WebManager::onLookedUp_Vornik(QHostInfo host)
{
    // Only the emptiness of the answer decides: any address at all means the web host is there.
    if (host.addresses().isEmpty()) {
        loadOfflinePage();
        return;
    }
    const PageEntry entry = pages.value(kOwnPageType);
    if (entry.view && entry.view->page())
        startLoad(entry.view->page(), QUrl(entry.url, QUrl::TolerantMode), false);
}

QUrl WebManager::offlinePageUrl(const QString& applicationDir, const QString& languageCode) const
{
    // From a path, not parsed from text: a drive letter would read as a URL scheme, and a '%' in
    // the install path as an escape.
    QUrl url = QUrl::fromLocalFile(applicationDir + QStringLiteral("/www/offline.html"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("location"), QStringLiteral("vornik"));
    query.addQueryItem(QStringLiteral("lang"), languageCode);
    url.setQuery(query);
    return url;
}

void WebManager::loadOfflinePage()
{
    const LanguageDetail language = Language::instance()->getCurrentLD();
    const PageEntry entry = pages.value(kOwnPageType);
    if (!entry.view || !entry.view->page())
        return;
    startLoad(entry.view->page(), offlinePageUrl(QCoreApplication::applicationDirPath(), language.languageCode), true);
    finishBootAnimation();
}

void WebManager::startLoad(QWebEnginePage* page, const QUrl& url, bool offline)
{
    // A load in flight that the engine has started ends as cancelled (on some releases with a
    // failure); that is our doing, not the network's. One not yet started is simply replaced.
    if (loadInFlight && loadStartedSeen)
        ++supersededLoads;
    loadInFlight = true;
    loadStartedSeen = false;
    offlineLoadInFlight = offline;
    page->load(url);
}

void WebManager::onLoadFinished(bool ok)
{
    auto* page = qobject_cast<QWebEnginePage*>(sender());
    if (!page)
        return;
    const int type = page->property("type").toInt();
    if (type == kOwnPageType) {
        if (ok) {
            qInfo().noquote() << "[booting time][finish]: [vk webengine] load success";
            loadInFlight = false;
            offlineLoadInFlight = false;
            supersededLoads = 0;
            loadRetriesLeft = kLoadRetries;
        } else if (supersededLoads > 0) {
            // A load we replaced ourselves: the newer one is still on its way, with the spinner
            // and the watchdog.
            --supersededLoads;
            return;
        } else {
            qInfo().noquote() << "[booting time][finish]: [vk webengine] load fail";
            loadInFlight = false;
            if (offlineLoadInFlight) {
                // Nothing to fall back to from the fallback itself; trying again would only loop.
                qWarning().noquote() << "[vk webengine] the offline page did not load:"
                                     << QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                                 + QStringLiteral("/www/offline.html"));
            } else if (loadRetriesLeft > 0) {
                --loadRetriesLeft;
                domainTest(kOwnPageType);
            } else {
                loadOfflinePage();
            }
        }
    }
    if (auto* timer = objectFromProperty<QTimer>(page, "timer"))
        timer->stop();
    // The spinner belongs to the host's container; only touch it while the page entry still sees it.
    auto* spinner = objectFromProperty<Waitloading>(page, "spinner");
    if (spinner && pages.value(type).spinner == spinner) {
        spinner->stop();
        setViewsVisible(true, type);
    }
}

void WebManager::onTimeOut()
{
    auto* timer = qobject_cast<QTimer*>(sender());
    if (!timer)
        return;
    timer->stop();
    auto* page = objectFromProperty<QWebEnginePage>(timer, "page");
    if (!page)
        return;
    // A load that stays silent this long has failed, whatever we started over it meanwhile.
    supersededLoads = 0;
    emit page->loadFinished(false);
    if (page->property("type").toInt() == kOwnPageType)
        finishBootAnimation();
}

void WebManager::onLoadStarted()
{
    auto* page = qobject_cast<QWebEnginePage*>(sender());
    if (!page)
        return;
    const int type = page->property("type").toInt();
    if (type == kOwnPageType && loadInFlight)
        loadStartedSeen = true;
}

int WebManager::rendererRestartWindow() const
{
    // Tests may shorten the window through this property; the host never sets it.
    bool ok = false;
    const int window = property("rendererRestartWindowMs").toInt(&ok);
    return ok && window > 0 ? window : kRendererRestartWindowMs;
}

void WebManager::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    auto* page = qobject_cast<QWebEnginePage*>(sender());
    if (!page || status == QWebEnginePage::NormalTerminationStatus)
        return;
    const int type = page->property("type").toInt();
    qWarning().noquote() << QStringLiteral("[vk webengine] render process terminated (status %1, exit code %2)")
                                .arg(int(status))
                                .arg(exitCode);
    // Not from inside the engine's notification: the page is reloaded once it has returned.
    QTimer::singleShot(0, this, [this, type] { restartCrashedPage(type); });
}

void WebManager::restartCrashedPage(int type)
{
    // A restart that already waits for the window brings this crash's page back too.
    if (rendererRestartPending)
        return;
    const qint64 now = rendererClock.elapsed();
    const int window = rendererRestartWindow();
    while (!rendererRestarts.isEmpty() && now - rendererRestarts.first() >= window)
        rendererRestarts.removeFirst();
    if (rendererRestarts.size() >= kRendererRestartsPerWindow) {
        // A page that crashes its renderer at once would otherwise reload in a tight loop.
        const qint64 wait = rendererRestarts.first() + window - now;
        qWarning().noquote() << QStringLiteral("[vk webengine] render process crashed %1 times within %2 ms; restart in %3 ms")
                                    .arg(rendererRestarts.size() + 1)
                                    .arg(window)
                                    .arg(wait);
        rendererRestartPending = true;
        QTimer::singleShot(int(wait), Qt::PreciseTimer, this, [this, type] {
            // The oldest restart has left the window by now; it makes room for this one.
            rendererRestartPending = false;
            rendererRestarts.removeFirst();
            reloadCrashedPage(type);
        });
        return;
    }
    reloadCrashedPage(type);
}

void WebManager::reloadCrashedPage(int type)
{
    rendererRestarts.append(rendererClock.elapsed());
    qInfo().noquote() << "[vk webengine] restarting the page after its render process ended";
    // The watchdog sees to it that a reload which never finishes still ends on the offline page.
    const PageEntry entry = pages.value(type);
    if (entry.page) {
        if (auto* watchdog = objectFromProperty<QTimer>(entry.page, "timer"))
            watchdog->start();
    }
    domainTest(type);
}
