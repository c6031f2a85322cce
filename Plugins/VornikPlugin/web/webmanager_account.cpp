#include "webmanager.h"

#include "../core/hostregistry.h"
#include "iaccount.h"
#include "isetting.h"
#include "isimulatormgr.h"
#include "istrategy.h"
#include "klauncher.h"
#include "language.h"

void WebManager::fillUserToken(QJsonObject& target, const ACCOUNTINFO& info)
{
    if (!info.loggedIn)
        return;
    target.insert(QStringLiteral("email"), info.email);
    target.insert(QStringLiteral("token"), info.token);
    target.insert(QStringLiteral("userid"), info.userId);
    KLauncher* launcher = KLauncher::instance();
    target.insert(QStringLiteral("xtoken"), launcher->getAppConfigValue(AppConfigXToken).toString());
    target.insert(QStringLiteral("accesstoken"), launcher->getAppConfigValue(AppConfigAccessToken).toString());
    target.insert(QStringLiteral("refreshtoken"), launcher->getAppConfigValue(AppConfigRefreshToken).toString());
}

void WebManager::handleUserToken(QJsonObject& reply)
{
    IAccount* account = HostRegistry::account();
    if (!account)
        return;
    const ACCOUNTINFO info = account->accountInfo();
    fillUserToken(reply, info);
}

void WebManager::handleLanguage(QJsonObject& reply)
{
    // Both members carry the current code; only the change notification names "en" as default.
    reply.insert(QStringLiteral("language"), Language::instance()->getCurrentLD().languageCode);
    reply.insert(QStringLiteral("defaultLanguage"), Language::instance()->getCurrentLD().languageCode);
}

void WebManager::handleHostConfig(QJsonObject& reply)
{
    const QMap<QString, QString> hostMap = KLauncher::instance()->getHostMap();
    for (auto it = hostMap.cbegin(); it != hostMap.cend(); ++it)
        reply.insert(it.key(), it.value());
}

void WebManager::handleClientConfig(QJsonObject& reply)
{
    if (ISimulatorMgr* simulator = HostRegistry::simulatorMgr()) {
        reply.insert(QStringLiteral("x_version"), simulator->clientVersion());
        reply.insert(QStringLiteral("uuid"), simulator->clientUuid().toString(QUuid::WithoutBraces));
    }
    if (IStrategy* strategy = HostRegistry::strategy())
        reply.insert(QStringLiteral("systemConfig"), strategy->systemConfig());
}

void WebManager::handleUserConfig(QJsonObject& reply)
{
    if (ISetting* setting = HostRegistry::setting())
        reply.insert(QStringLiteral("one_button_config"), setting->oneButtonConfig());
}
