#include "webmanager.h"

#include "jsontext.h"
#include "webbridge.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QPointer>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEnginePage>

namespace {

int defaultPort(const QUrl& url)
{
    if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("wss"))
        return 443;
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("ws"))
        return 80;
    return -1;
}

// Pages from files have no shared origin: each file is its own, so a file page is the same
// origin only as the very same file.
bool sameOrigin(const QUrl& shown, const QUrl& own)
{
    if (!shown.isValid() || shown.scheme() != own.scheme())
        return false;
    if (shown.isLocalFile())
        return QDir::cleanPath(shown.toLocalFile()) == QDir::cleanPath(own.toLocalFile());
    return !shown.host().isEmpty() && shown.host() == own.host()
        && shown.port(defaultPort(shown)) == own.port(defaultPort(own));
}

bool isOfflinePage(const QUrl& shown)
{
    return shown.isLocalFile()
        && QDir::cleanPath(shown.toLocalFile())
        == QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/www/offline.html"));
}

QString originOf(const QUrl& url)
{
    if (url.isLocalFile())
        return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

} // namespace

// bridge -> origin gate -> JSON parse -> command table -> reply queued
void WebManager::onHtmlData(QString data)
{
    auto* bridge = qobject_cast<WebBridge*>(sender());
    if (!bridge)
        return;
    const int pageMask = pageMaskOf(bridge);
    if (!pageShowsOwnOrigin(pageMask))
        return;
    handleCommandText(data, pageMask);
}

int WebManager::pageMaskOf(const QObject* bridge) const
{
    int pageMask = 0;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (it.value().bridge == bridge)
            pageMask |= it.key();
    }
    return pageMask;
}

QUrl WebManager::committedUrl(const PageEntry& entry)
{
    // The history's current entry is the document the view has committed; page->url() already
    // names a load that has only started, while the old document is still live and can send.
    if (!entry.page)
        return QUrl();
    const QWebEngineHistoryItem current = entry.page->history()->currentItem();
    return current.isValid() ? current.url() : QUrl();
}

QUrl WebManager::shownUrl(const PageEntry& entry)
{
    const QUrl committed = committedUrl(entry);
    if (!committed.isEmpty() && !sameOrigin(committed, QUrl(entry.url, QUrl::TolerantMode)) && !isOfflinePage(committed))
        return committed;
    return entry.page ? entry.page->url() : QUrl();
}

bool WebManager::showsOwnOrigin(const PageEntry& entry) const
{
    // The page's address now, not at load time: a page navigated elsewhere by hand, DevTools or a
    // redirect keeps the bridge, and must not keep the user's tokens and host actions with it.
    const QUrl shown = committedUrl(entry);
    return sameOrigin(shown, QUrl(entry.url, QUrl::TolerantMode)) || isOfflinePage(shown);
}

bool WebManager::mayHandOver(const PageEntry& entry) const
{
    // A message goes to the document shown now and to the one on its way in: both must be ours.
    // With nothing loaded yet there is no page to say it to, and the message waits.
    const QUrl own(entry.url, QUrl::TolerantMode);
    for (const QUrl& url : {committedUrl(entry), entry.page ? entry.page->url() : QUrl()}) {
        if (!url.isEmpty() && !sameOrigin(url, own) && !isOfflinePage(url))
            return false;
    }
    return true;
}

void WebManager::refuseOrigin(const QUrl& shown)
{
    // A hostile page may send thousands of commands; one line per origin says enough.
    const QString origin = originOf(shown);
    if (refusedOrigins.contains(origin))
        return;
    refusedOrigins.insert(origin);
    qWarning().noquote() << "Web: a page of another origin is shown; it gets no answer and no message:"
                         << (origin.isEmpty() ? QStringLiteral("(no address)") : origin);
}

bool WebManager::pageShowsOwnOrigin(int pageMask)
{
    bool trusted = pageMask != 0;
    QUrl shown;
    forEachMatchingPage(pageMask, [&](int, const PageEntry& entry) {
        if (!showsOwnOrigin(entry)) {
            trusted = false;
            shown = committedUrl(entry);
        }
    });
    if (!trusted)
        refuseOrigin(shown);
    return trusted;
}

QJsonObject WebManager::handleCommandText(const QString& text, int pageMask)
{
    const QByteArray json = text.toUtf8();
    // Refused like text that is not JSON: the parser would lose the replaced value for good.
    if (JsonText::replacesNonEmptyValue(json))
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonObject();

    QJsonObject reply;
    const QJsonObject command = document.object();
    const QString event = command.value(QStringLiteral("event")).toString();
    const QString callbackEvent = command.value(QStringLiteral("callbackEvent")).toString();
    // A handler calls the host, which may delete us meanwhile.
    const QPointer<WebManager> self(this);
    const bool pending = dispatchCommand(event, reply, command, pageMask, [self, pageMask, callbackEvent](const QJsonObject& late) {
        if (self && !callbackEvent.isEmpty())
            self->sendToPage(pageMask, callbackEvent, late);
    });
    if (!self || callbackEvent.isEmpty())
        return QJsonObject();
    // A command still waiting for the host is answered when it is done.
    if (!pending)
        sendToPage(pageMask, callbackEvent, reply);
    return envelope(callbackEvent, pageMask, reply);
}
