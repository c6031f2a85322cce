#pragma once

#include "iplugin.h"
#include "ihttpdaomgr.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <functional>

class QNetworkAccessManager;

// The host's HTTP service: plain GETs on a network worker thread of its own. Outcomes reach the
// request's handle on that worker thread, as the host's service may do, and never after the
// handle has been removed.
class HostHttpService : public QObject, public IPlugin, public IHttpDaoMgr
{
    Q_OBJECT
    Q_INTERFACES(IPlugin IHttpDaoMgr)
public:
    using Recorder = std::function<void(const QString& op, const QJsonArray& args)>;

    static QUuid uuid();
    // The request as the call log shows it; the handle is only told apart as set or not.
    static QJsonObject requestToJson(const HttpDaoRequest& request);

    explicit HostHttpService(QObject* parent = nullptr);
    ~HostHttpService() override;

    // Told about every sendRequest and removeHandle, on the caller's thread.
    void setRecorder(Recorder recorder);

    // Requests sent whose outcome has not been delivered (or dropped) yet.
    int pendingRequests() const;
    // The worker thread the callbacks run on.
    QThread* workerThread();

    // IPlugin
    QObject* pluginObject() override;
    QUuid pluginUuid() const override;
    void reservedHook(quintptr value) override;
    bool bindHost(IPluginManager* manager, quintptr reserved) override;
    bool bindLanguage() override;
    bool acknowledgeFirst() override;
    bool bindAccount() override;
    bool acknowledgeSecond() override;

    // IHttpDaoMgr
    void sendRequest(HttpDaoRequest& request, int mode) override;
    void removeHandle(IFileDownHandle* handle) override;

private:
    enum class Outcome { Finished, Failed };

    void fetch(quint64 id, HttpDaoRequest request);
    void deliver(quint64 id, const HttpDaoRequest& request, Outcome outcome);
    void deliverProgress(quint64 id, const HttpDaoRequest& request, qint64 received, qint64 total);
    void record(const QString& op, const QJsonArray& args);

    QThread m_thread;
    QObject* m_worker; // lives on m_thread, owns the network access manager
    QNetworkAccessManager* m_network = nullptr; // made and used on the worker only

    // Held while a callback runs, so removeHandle cannot return in the middle of one.
    mutable QRecursiveMutex m_callbackMutex;
    QHash<quint64, IFileDownHandle*> m_pending;
    quint64 m_nextId = 0;

    QMutex m_recorderMutex;
    Recorder m_recorder;
};
