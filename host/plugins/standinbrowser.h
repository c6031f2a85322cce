#pragma once

#include "ivornik.h"
#include "standinplugin.h"

// The host's own browser plug-in. It shows nothing; it only takes note of what it is told.
class StandInBrowser : public StandInPlugin, public IBrowser
{
    Q_OBJECT
    Q_INTERFACES(IBrowser)
public:
    static QUuid uuid();

    StandInBrowser(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

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

private:
    const QString m_emptyText;
};
