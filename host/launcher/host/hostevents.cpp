#include "launcher/host/hostevents.h"

#include "kevent.h"
#include "language.h"
#include "standinaccount.h"
#include "standinhost.h"
#include "standinsetting.h"

#include <QCoreApplication>

HostEvents::HostEvents(StandInHost* host, QObject* plugin, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_plugin(plugin)
{
}

void HostEvents::changeLanguage(const QString& code)
{
    m_host->profile().language = code;
    Language::instance()->setCurrentLanguage(code);
    emit changed();
}

void HostEvents::changeAccount(const ACCOUNTINFO& account)
{
    m_host->account()->emitAccountChange(account);
    emit changed();
}

void HostEvents::changeCountry(const QString& code)
{
    m_host->profile().countryCode = code;
    if (m_plugin)
        QCoreApplication::postEvent(m_plugin, new CountryCodeChangeEvent(code));
    emit changed();
}

void HostEvents::changeStrategy(int oneButtonConfig)
{
    m_host->setting()->changeOneButtonConfig(oneButtonConfig);
    emit changed();
}

StandInHost* HostEvents::host() const
{
    return m_host;
}
