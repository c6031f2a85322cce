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
#include <QTimer>
#include <QUrl>
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
        entry.view->page()->load(QUrl(entry.url, QUrl::TolerantMode));
}

void WebManager::loadOfflinePage()
{
    const LanguageDetail language = Language::instance()->getCurrentLD();
    const QString address = QStringLiteral("%1?location=%2&lang=%3")
                                .arg(QCoreApplication::applicationDirPath() + QStringLiteral("/www/offline.html"))
                                .arg(QStringLiteral("vornik"))
                                .arg(language.languageCode);
    const PageEntry entry = pages.value(kOwnPageType);
    if (!entry.view || !entry.view->page())
        return;
    // A path that starts with a slash parses as a path-only URL; the engine needs file: for it.
    QUrl url(address, QUrl::TolerantMode);
    if (url.scheme().isEmpty()) {
        const QString query = url.query();
        url = QUrl::fromLocalFile(url.path());
        url.setQuery(query);
    }
    entry.view->page()->load(url);
    finishBootAnimation();
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
        } else {
            qInfo().noquote() << "[booting time][finish]: [vk webengine] load fail";
            if (loadRetriesLeft > 0) {
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
    emit page->loadFinished(false);
    if (page->property("type").toInt() == kOwnPageType)
        finishBootAnimation();
}

void WebManager::onLoadStarted()
{
}
