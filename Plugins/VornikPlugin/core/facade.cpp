#include "vornikplugin.h"

#include "../data/vorniknames.h"
#include "../web/webmanager.h"
#include "hostregistry.h"
#include "imygame.h"

using namespace VornikNames;

void VornikPlugin::createView(int pageType, const QString& url, QWidget* parent)
{
    webManager->createView(pageType, url, parent);
    watchApplicationEnd();
}

void VornikPlugin::startDomainTest(int pageType)
{
    webManager->domainTest(pageType);
}

void VornikPlugin::sendToPage(int pageMask, const QString& event, const QJsonObject& data)
{
    webManager->sendToPage(pageMask, event, data);
}

void VornikPlugin::realSearch(const QString& query, const QVariant& context)
{
    webManager->realSearch(query, context);
}

void VornikPlugin::gotoSearch(const QString& query)
{
    webManager->gotoSearch(query);
}

void VornikPlugin::languageChanged(const QString& code)
{
    if (webManager)
        webManager->languageChanged(code);
}

void VornikPlugin::setViewsVisible(bool visible)
{
    webManager->setViewsVisible(visible, 1);
}

void VornikPlugin::modedGameListDocument(const QJsonObject&)
{
}

bool VornikPlugin::routeToPage(int pageType, bool force)
{
    return webManager->routeToPage(pageType, force);
}

void VornikPlugin::pushInstalledApps()
{
    webManager->pushInstalledApps();
}

const QString& VornikPlugin::emptyText()
{
    static const QString empty;
    return empty;
}

void VornikPlugin::updateOneButtonConfig(int value)
{
    webManager->updateOneButtonConfig(value);
}

void VornikPlugin::switchToGame(const QString& package, const QString& modId, int from)
{
    QJsonObject data;
    data.insert(QStringLiteral("package"), package);
    data.insert(QStringLiteral("mod_id"), modId);
    data.insert(QStringLiteral("from"), QString::number(from));
    sendToPage(WebManager::kOwnPageType, kSwitchToVKGame, data);
    if (IMyGame* myGame = HostRegistry::myGame())
        myGame->showPage(WebManager::kOwnPageType);
}

void VornikPlugin::setupMod(const QString& package, const QString& modId, const QString& modName)
{
    QJsonObject data;
    data.insert(QStringLiteral("package"), package);
    data.insert(QStringLiteral("mod_id"), modId);
    data.insert(QStringLiteral("mod_name"), modName);
    sendToPage(WebManager::kOwnPageType, kSetupMod, data);
    if (IMyGame* myGame = HostRegistry::myGame())
        myGame->showPage(WebManager::kOwnPageType);
}
