#include "hosthttpservice.h"

#include "hostcontract.h"
#include "ifiledownhandle.h"

#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {
// A request that hangs must still end in a failure the caller can retry after.
constexpr int TransferTimeoutMs = 30000;
}

QUuid HostHttpService::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kHttpDaoMgrPlugin.uuid));
}

QJsonObject HostHttpService::requestToJson(const HttpDaoRequest& request)
{
    QJsonObject extraMap;
    for (auto it = request.extraMap.cbegin(); it != request.extraMap.cend(); ++it)
        extraMap.insert(it.key(), it.value());

    QJsonObject json;
    json.insert(QStringLiteral("name"), request.name);
    json.insert(QStringLiteral("savePath"), request.savePath);
    json.insert(QStringLiteral("url"), request.url);
    json.insert(QStringLiteral("extraText1"), request.extraText1);
    json.insert(QStringLiteral("extraText2"), request.extraText2);
    json.insert(QStringLiteral("extraInt1"), request.extraInt1);
    json.insert(QStringLiteral("extraInt2"), request.extraInt2);
    json.insert(QStringLiteral("extraInt3"), request.extraInt3);
    json.insert(QStringLiteral("handle"), request.handle != nullptr);
    json.insert(QStringLiteral("extraFlag"), request.extraFlag);
    json.insert(QStringLiteral("extraLong1"), request.extraLong1);
    json.insert(QStringLiteral("extraLong2"), request.extraLong2);
    json.insert(QStringLiteral("data"), QString::fromUtf8(request.data));
    json.insert(QStringLiteral("extraInt4"), request.extraInt4);
    json.insert(QStringLiteral("extraMap"), extraMap);
    json.insert(QStringLiteral("extraData"), QString::fromUtf8(request.extraData));
    json.insert(QStringLiteral("extraInt5"), request.extraInt5);
    return json;
}

HostHttpService::HostHttpService(QObject* parent)
    : QObject(parent)
    , m_worker(new QObject)
{
    m_thread.setObjectName(QStringLiteral("HostHttpService"));
    m_worker->moveToThread(&m_thread);
    // The worker and its replies must die on their own thread; QThread runs deferred deletions
    // posted while it finishes.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    // The network manager is made on the worker, where it is used; every fetch is queued after
    // this, so it exists by then.
    QMetaObject::invokeMethod(m_worker, [this] {
        m_network = new QNetworkAccessManager(m_worker);
        m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }, Qt::QueuedConnection);
}

HostHttpService::~HostHttpService()
{
    {
        QMutexLocker lock(&m_callbackMutex);
        m_pending.clear();
    }
    m_thread.quit();
    m_thread.wait();
}

void HostHttpService::setRecorder(Recorder recorder)
{
    QMutexLocker lock(&m_recorderMutex);
    m_recorder = std::move(recorder);
}

int HostHttpService::pendingRequests() const
{
    QMutexLocker lock(&m_callbackMutex);
    return m_pending.size();
}

QThread* HostHttpService::workerThread()
{
    return &m_thread;
}

QObject* HostHttpService::pluginObject()
{
    return this;
}

QUuid HostHttpService::pluginUuid() const
{
    return uuid();
}

void HostHttpService::reservedHook(quintptr)
{
}

bool HostHttpService::bindHost(IPluginManager*, quintptr)
{
    return true;
}

bool HostHttpService::bindLanguage()
{
    return true;
}

bool HostHttpService::acknowledgeFirst()
{
    return true;
}

bool HostHttpService::bindAccount()
{
    return true;
}

bool HostHttpService::acknowledgeSecond()
{
    return true;
}

void HostHttpService::sendRequest(HttpDaoRequest& request, int mode)
{
    record(QStringLiteral("sendRequest"), QJsonArray{requestToJson(request), mode});

    quint64 id = 0;
    {
        QMutexLocker lock(&m_callbackMutex);
        id = ++m_nextId;
        m_pending.insert(id, request.handle);
    }
    // The caller's record lives on its stack; the worker gets a copy of its own.
    HttpDaoRequest copy = request;
    QMetaObject::invokeMethod(m_worker, [this, id, copy] { fetch(id, copy); }, Qt::QueuedConnection);
}

void HostHttpService::removeHandle(IFileDownHandle* handle)
{
    record(QStringLiteral("removeHandle"), QJsonArray{handle != nullptr});

    // Waits for a callback in progress on the worker; afterwards nothing for this handle is
    // pending, so nothing can reach it, even if a new object later takes its address.
    QMutexLocker lock(&m_callbackMutex);
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it.value() == handle)
            it = m_pending.erase(it);
        else
            ++it;
    }
}

void HostHttpService::fetch(quint64 id, HttpDaoRequest request)
{
    QNetworkRequest networkRequest{QUrl(request.url)};
    networkRequest.setTransferTimeout(TransferTimeoutMs);
    QNetworkReply* reply = m_network->get(networkRequest);

    connect(reply, &QNetworkReply::downloadProgress, m_worker,
            [this, id, request](qint64 received, qint64 total) {
                deliverProgress(id, request, received, total);
            });
    connect(reply, &QNetworkReply::finished, m_worker, [this, id, request, reply]() mutable {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
            qInfo("HostHttpService: %s failed (HTTP %d): %s", qUtf8Printable(request.url), status,
                  qUtf8Printable(reply->errorString()));
            deliver(id, request, Outcome::Failed);
            return;
        }
        request.data = reply->readAll();
        deliver(id, request, Outcome::Finished);
    });
}

void HostHttpService::deliver(quint64 id, const HttpDaoRequest& request, Outcome outcome)
{
    QMutexLocker lock(&m_callbackMutex);
    IFileDownHandle* handle = m_pending.take(id);
    if (!handle)
        return;
    if (outcome == Outcome::Finished)
        handle->downloadFinished(request);
    else
        handle->downloadFailed(request);
}

void HostHttpService::deliverProgress(quint64 id, const HttpDaoRequest& request, qint64 received,
                                      qint64 total)
{
    QMutexLocker lock(&m_callbackMutex);
    IFileDownHandle* handle = m_pending.value(id);
    if (handle)
        handle->downloadProgress(request, received, total);
}

void HostHttpService::record(const QString& op, const QJsonArray& args)
{
    Recorder recorder;
    {
        QMutexLocker lock(&m_recorderMutex);
        recorder = m_recorder;
    }
    // Called unlocked: whoever listens may well send a request of its own.
    if (recorder)
        recorder(op, args);
}
