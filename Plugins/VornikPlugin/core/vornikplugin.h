#pragma once

#include "hostrecords.h"
#include "ifiledownhandle.h"
#include "iplugin.h"
#include "ivornik.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class WebManager;
class LanguageGate;

// The object the host loads: its IPlugin part binds it to the host, its IVornik part drives the
// feature, and its IFileDownHandle part receives the moded game list from the host's HTTP service.
class VornikPlugin : public QObject, public IPlugin, public IVornik, public IFileDownHandle
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "KVL.IBrowser/1.0" FILE "../VornikPlugin.json")
    Q_INTERFACES(IPlugin IVornik:IBrowser)
    Q_PROPERTY(int modedGameListListeners READ modedGameListListeners)
public:
    VornikPlugin();
    ~VornikPlugin() override;

    bool event(QEvent* event) override;

    // IPlugin
    QObject* pluginObject() override;
    QUuid pluginUuid() const override;
    void reservedHook(quintptr value) override;
    bool bindHost(IPluginManager* manager, quintptr reserved) override;
    bool bindLanguage() override;
    bool acknowledgeFirst() override;
    bool bindAccount() override;
    bool acknowledgeSecond() override;

    // IBrowser
    void createView(int pageType, const QString& url, QWidget* parent) override;
    void startDomainTest(int pageType) override;
    void sendToPage(int pageMask, const QString& event, const QJsonObject& data) override;
    void realSearch(const QString& query, const QVariant& context) override;
    void gotoSearch(const QString& query) override;
    void languageChanged(const QString& code) override;
    void setViewsVisible(bool visible) override;
    void modedGameListDocument(const QJsonObject& document) override;
    bool routeToPage(int pageType, bool force) override;
    void pushInstalledApps() override;
    const QString& emptyText() override;
    void updateOneButtonConfig(int value) override;

    // IVornik
    void switchToGame(const QString& package, const QString& modId, int from) override;
    void setupMod(const QString& package, const QString& modId, const QString& modName) override;
    ModedGameList* modedGameList() override;
    QString apkUrl(const QString& package, bool wait) override;
    void addModedGameListListener(QObject* listener) override;
    bool isAvailable() override;

    // IFileDownHandle
    void downloadFinished(const HttpDaoRequest& request) override;
    void downloadProgress(const HttpDaoRequest& request, qint64 received, qint64 total) override;
    void downloadFailed(const HttpDaoRequest& request) override;

    void requestModedGameList(const QString& country);
    void parseModedGameList(const QByteArray& reply);

    // Asks the host's emulator manager for a package's address without waiting. done runs once,
    // on this object's thread and never after it is gone: with the address (also stored in the
    // moded game list), or with "" when the host has none or takes longer than the bound. It runs
    // before the call returns when the address is known already or the host answers inside.
    void lookUpApkUrl(const QString& package, QObject* context, std::function<void(const QString&)> done);
    int apkWaitTimeout() const;

    // Lets go of what belongs to the web engine, the application and the host's services while
    // the application object still exists; Qt calls it from the application's destructor.
    void releaseForShutdown();
    // Listeners of the moded game list still alive; for the host's diagnostics.
    int modedGameListListeners() const;

private slots:
    void onChangeAccountInfo(const ACCOUNTINFO& info);

private:
    static void watchApplicationEnd();
    void letGoOfHttpServices();

    WebManager* webManager = nullptr;
    QString countryCode;
    std::shared_ptr<LanguageGate> languageGate;
    // The host's language object outlives us, and the code of this connection goes with our library.
    QList<QMetaObject::Connection> languageConnections;
    // The one pending retry of the moded game list, made on the first failure.
    QTimer* modedListRetry = nullptr;
    // Whether a request went through the registry's HTTP service, which need not be the service
    // library's: the handle must be removed from both.
    bool sentThroughRegistry = false;
    bool released = false;
};
