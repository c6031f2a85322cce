#pragma once

#include "deliveryworker.h"
#include "pageentry.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostInfo>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>
#include <map>
#include <memory>

class QWebChannel;
class QWidget;
struct ACCOUNTINFO;

// The controller of the plug-in's embedded page: builds the view in the host's container, decides
// between the online and the offline page, answers the page's commands and delivers every message
// to the page in order from a worker of its own. Lives on the GUI thread; only the delivery
// workers run elsewhere.
class WebManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int kOwnPageType = 8;
    static constexpr int kWatchdogIntervalMs = 20000;
    // A crashed page comes back at most this often in any window of this length.
    static constexpr int kRendererRestartsPerWindow = 3;
    static constexpr int kRendererRestartWindowMs = 60000;

    explicit WebManager(QObject* parent = nullptr);
    ~WebManager() override;

    // View set-up
    void createView(int type, const QString& url, QWidget* parent);
    void setViewsVisible(bool visible, int pageMask);

    // Loading and the connectivity test
    void domainTest(int type);
    void loadOfflinePage();
    // The offline page's address for an install folder and a language code.
    Q_INVOKABLE QUrl offlinePageUrl(const QString& applicationDir, const QString& languageCode) const;

    // Commands and routing. handleCommandText is the whole inbound path after the origin gate:
    // parse, command table, reply queued. It needs no view, and returns the reply it queued
    // ({"event", "page", "data"}) or an empty object when the command asked for none.
    Q_INVOKABLE QJsonObject handleCommandText(const QString& text, int pageMask);
    // What completes a command later: sends its reply. A command that has no reply yet when its
    // handler returns (a game command waiting for the host's address) makes dispatchCommand
    // answer true and calls it once it is done, or never once the plug-in or the host is going.
    using Completion = std::function<void(const QJsonObject& reply)>;
    bool dispatchCommand(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask,
                         const Completion& complete = Completion());
    bool routeToPage(int page, bool force);
    void gotoSearch(const QString& query);
    void realSearch(const QString& query, const QVariant& context);

    // Delivery and pushes
    void sendToPage(int pageMask, const QString& event, const QJsonObject& data);
    void languageChanged(const QString& code);
    void updateOneButtonConfig(int value);
    void pushInstalledApps();
    // Ends the delivery workers and drops what they still had queued; the next message starts
    // a new one.
    void stopDelivery();
    // Lets go of everything that belongs to the web engine and the application (workers, pages,
    // views, channel, timers) while the application object still exists; the manager stays
    // inert afterwards. For a host that leaves the plug-in to die after its application.
    void releaseForShutdown();
    // Whether the host has begun to quit: pending work then calls the host no more.
    bool hostQuitting() const;

    // Account, configuration and game data
    static void fillUserToken(QJsonObject& target, const ACCOUNTINFO& info);
    static void fillRecordFromJson(const QJsonObject& json, int kind, void* record);
    QJsonObject buildInstalledApps();

private slots:
    void onLookedUp_Vornik(QHostInfo host);
    void onTimeOut();
    void onHtmlData(QString data);
    void onLoadFinished(bool ok);
    void onLoadStarted();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

private:
    // One page command in flight: what a handler reads and the reply it may fill.
    struct Command
    {
        const QString& event;
        QJsonObject& reply;
        const QJsonObject& json;
        int pageMask;
        const Completion& complete;
        bool& pending;
    };
    using CommandHandler = void (*)(WebManager& manager, const Command& command);
    static const QHash<QString, CommandHandler>& commandTable();

    static QJsonObject envelope(const QString& event, int pageMask, const QJsonObject& data);
    int pageMaskOf(const QObject* bridge) const;
    bool pageShowsOwnOrigin(int pageMask);
    bool showsOwnOrigin(const PageEntry& entry) const;
    bool mayHandOver(const PageEntry& entry) const;
    static QUrl committedUrl(const PageEntry& entry);
    static QUrl shownUrl(const PageEntry& entry);
    void startLoad(QWebEnginePage* page, const QUrl& url, bool offline);
    void refuseOrigin(const QUrl& shown);
    void restartCrashedPage(int type);
    void reloadCrashedPage(int type);
    int rendererRestartWindow() const;

    DeliveryWorker& deliveryWorker(int type);
    void handOver(int type, QJsonObject& message);

    void forEachMatchingPage(int pageMask, const std::function<void(int type, const PageEntry& page)>& action);
    int watchdogInterval() const;

    // Command handlers
    void handleVmList(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask);
    // True when the host calls wait for the game's address; complete runs once they are made.
    bool handleInstallOrPlay(const QJsonObject& command, const Completion& complete);
    void handleOpenCloudGame(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask);
    void handleOpenStreamGame(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask);
    void handleRealSearchResult(const QString& event, QJsonObject& reply, const QJsonObject& command, int pageMask);
    void handleUserToken(QJsonObject& reply);
    void handleLanguage(QJsonObject& reply);
    void handleHostConfig(QJsonObject& reply);
    void handleClientConfig(QJsonObject& reply);
    void handleUserConfig(QJsonObject& reply);
    void handlePostStats(const QJsonObject& command);
    void handleWebVersionInfo(const QJsonObject& command);
    void handleWebLogger(const QJsonObject& command);

    QMap<int, PageEntry> pages;
    QVariant searchContext;
    std::map<int, std::unique_ptr<DeliveryWorker>> deliveryWorkers;
    bool quitting = false;
    bool released = false;
    int currentPage = 1;
    static constexpr int kLoadRetries = 3;
    int loadRetriesLeft = kLoadRetries;
    // Loads of ours still to report: the one in flight, and those that we replaced by starting
    // another and whose cancellation is still to come.
    bool loadInFlight = false;
    bool loadStartedSeen = false;
    int supersededLoads = 0;
    bool offlineLoadInFlight = false;
    // Origins whose commands were refused; each is named in the log once.
    QSet<QString> refusedOrigins;
    // When crashed pages were last brought back, oldest first, on rendererClock.
    QList<qint64> rendererRestarts;
    QElapsedTimer rendererClock;
    bool rendererRestartPending = false;
    QWebChannel* channel = nullptr;
};
