#include "vornikplugin.h"

#include "../data/vorniknames.h"
#include "../web/webmanager.h"
#include "hostcontract.h"
#include "hostregistry.h"
#include "iaccount.h"
#include "isetting.h"
#include "isimulatormgr.h"
#include "kevent.h"
#include "language.h"
#include "languagegate.h"

using namespace VornikNames;

bool VornikPlugin::event(QEvent* event)
{
    const int type = event->type();
    if (type == KEvent::PlayGameStrategyChange) {
        if (ISetting* setting = HostRegistry::setting())
            updateOneButtonConfig(setting->oneButtonConfig());
    } else if (type == KEvent::CountryCodeChange) {
        // Only a real country-code event carries a code; anything else of that type is ignored.
        if (auto* change = dynamic_cast<CountryCodeChangeEvent*>(event)) {
            countryCode = change->countryCode;
            if (isAvailable())
                requestModedGameList(countryCode);
        }
    }
    return QObject::event(event);
}

bool VornikPlugin::bindLanguage()
{
    const std::shared_ptr<LanguageGate> gate = languageGate;
    Language* language = Language::instance();
    languageConnections.append(connect(
        language, &Language::languageChange, language,
        [gate](QString code) {
            gate->pass(code, [](QObject* target, const QString& code) {
                static_cast<VornikPlugin*>(target)->languageChanged(code);
            });
        },
        Qt::DirectConnection));
    return true;
}

bool VornikPlugin::bindAccount()
{
    if (!isAvailable())
        return true;
    if (IAccount* account = HostRegistry::account()) {
        // By name, as SIGNAL() would spell it: the host's signal source is known only by its signature.
        static const QByteArray signal = QByteArray::number(QSIGNAL_CODE) + KvlHost::kAccountChangedSignal;
        if (QObject* source = account->signalSource())
            connect(source, signal.constData(), this, SLOT(onChangeAccountInfo(ACCOUNTINFO)));
    }
    if (ISetting* setting = HostRegistry::setting())
        setting->addSettingListener(this);
    return true;
}

void VornikPlugin::onChangeAccountInfo(const ACCOUNTINFO& info)
{
    QJsonObject token;
    WebManager::fillUserToken(token, info);
    sendToPage(WebManager::kOwnPageType, kUpdateUserToken, token);
    if (ISimulatorMgr* simulator = HostRegistry::simulatorMgr())
        simulator->accountUserChanged(QString(), info.loggedIn ? info.userId : QString(), QString());
}
