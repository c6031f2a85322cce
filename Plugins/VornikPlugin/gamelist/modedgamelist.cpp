#include "../core/vornikplugin.h"

#include "../core/hostregistry.h"
#include "ihttpdaomgr.h"
#include "ivornik.h"
#include "jsontext.h"
#include "klauncher.h"
#include "modedgamestore.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kRequestName = QStringLiteral("GetModedGameList");
constexpr int kRetryIntervalMs = 3000;

} // namespace

void VornikPlugin::requestModedGameList(const QString& country)
{
    if (released)
        return;
    // This request takes the place of a retry still waiting: one outage, one chain of retries.
    if (modedListRetry)
        modedListRetry->stop();
    const QString path = country.isEmpty() ? QStringLiteral("/api/game/list")
                                           : QStringLiteral("/api/game/list?country=") + country;
    const QString url = KLauncher::instance()->getHostUrl(AppConfigWebServiceHost, path);

    HttpDaoRequest request;
    request.name = kRequestName;
    request.savePath = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    request.url = url;
    request.extraText1 = QStringLiteral("123");
    request.extraText2 = QStringLiteral("123");
    request.handle = this;
    if (IHttpDaoMgr* http = HostRegistry::httpDaoMgr()) {
        sentThroughRegistry = true;
        http->sendRequest(request, 1);
    }

    qInfo().noquote() << "[booting time][start]: GetModedGameList";
    qInfo() << "[VK] Get moded games request sent: " << url;
}

void VornikPlugin::downloadFinished(const HttpDaoRequest& request)
{
    if (request.name != kRequestName)
        return;
    qInfo().noquote() << "[VK] Moded game list downloaded finished, resloving...";
    qInfo().noquote() << "[booting time][finish]: GetModedGameList";
    // May run on any thread: only hand the body over; the parse runs on the plug-in's thread, and
    // not at all if the plug-in is gone by then.
    const QByteArray body = request.data;
    QTimer::singleShot(0, this, [this, body] { parseModedGameList(body); });
}

void VornikPlugin::downloadProgress(const HttpDaoRequest&, qint64, qint64)
{
}

void VornikPlugin::downloadFailed(const HttpDaoRequest& request)
{
    if (request.name != kRequestName)
        return;
    qInfo().noquote() << "[VK] Getting moded game list failed, retring in 3 sec...";
    // The retry timer must live on the plug-in's thread; this callback may come from a thread
    // without an event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!modedListRetry) {
                modedListRetry = new QTimer(this);
                modedListRetry->setSingleShot(true);
                modedListRetry->setInterval(kRetryIntervalMs);
                connect(modedListRetry, &QTimer::timeout, this, [this] { requestModedGameList(countryCode); });
            }
            // A retry already waiting is replaced, not joined by a second one.
            modedListRetry->start();
        },
        Qt::QueuedConnection);
}

void VornikPlugin::parseModedGameList(const QByteArray& reply)
{
    ModedGameStore::clear();

    // A reply that repeats a key over a list or object is refused like one that is not JSON: the
    // parser would lose the replaced value for good, on every refresh.
    const bool repeats = JsonText::replacesNonEmptyValue(reply);
    QJsonParseError error;
    const QJsonDocument document = repeats ? QJsonDocument() : QJsonDocument::fromJson(reply, &error);
    if (IBrowser* browser = HostRegistry::browser())
        browser->modedGameListDocument(document.object());
    if (repeats) {
        qWarning() << "[VK] Moded game list repeats a key over a list or object; it is not read";
        return;
    }
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "[VK] Moded game list json parsed error with " << int(error.error);
        return;
    }

    ModedGameList games;
    const QJsonArray data = document.object().value(QStringLiteral("data")).toArray();
    games.reserve(data.size());
    for (const QJsonValue& value : data) {
        const QJsonObject game = value.toObject();
        games.append(ModedGame{game.value(QStringLiteral("id")).toString(),
                               game.value(QStringLiteral("packageName")).toString(),
                               game.value(QStringLiteral("name")).toString(), QString()});
    }
    ModedGameStore::replace(games);

    // Ask for every address now, so that a later waiting lookup usually finds it cached.
    for (const ModedGame& game : games)
        apkUrl(game.packageName, false);

    ModedGameList* list = ModedGameStore::list();
    qInfo() << "[VK] Moded game list resovled finished with length of " << list->size();
    // A host object that subscribed and is gone is dropped, or the list of listeners would only grow.
    QList<QPointer<QObject>>& listeners = ModedGameStore::listeners();
    listeners.removeAll(QPointer<QObject>());
    for (const QPointer<QObject>& listener : std::as_const(listeners))
        QCoreApplication::postEvent(listener, new ModedGameListChangedEvent(list));
}

int VornikPlugin::modedGameListListeners() const
{
    return int(ModedGameStore::listeners().size());
}

ModedGameList* VornikPlugin::modedGameList()
{
    return ModedGameStore::list();
}

void VornikPlugin::addModedGameListListener(QObject* listener)
{
    if (!listener)
        return;
    const QPointer<QObject> guarded(listener);
    if (guarded.isNull())
        return;
    QList<QPointer<QObject>>& listeners = ModedGameStore::listeners();
    for (const QPointer<QObject>& existing : listeners) {
        if (existing == listener)
            return;
    }
    listeners.append(guarded);
}
