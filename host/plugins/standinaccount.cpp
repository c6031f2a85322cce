#include "standinaccount.h"

#include "accountsignals.h"
#include "hostcontract.h"
#include "hostprofile.h"
#include "hostrecordjson.h"

QUuid StandInAccount::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kAccountPlugin.uuid));
}

StandInAccount::StandInAccount(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("IAccount"), profile, log, parent)
    , m_signals(new AccountSignals(this))
{
}

void StandInAccount::emitAccountChange(const ACCOUNTINFO& info)
{
    profile().account = info;
    emit m_signals->changeAccountInfo(info);
}

AccountSignals* StandInAccount::accountSignals() const
{
    return m_signals;
}

QObject* StandInAccount::signalSource()
{
    record(QStringLiteral("signalSource"));
    return m_signals;
}

const ACCOUNTINFO& StandInAccount::accountInfo()
{
    record(QStringLiteral("accountInfo"));
    return profile().account;
}

void StandInAccount::refreshAccessToken()
{
    record(QStringLiteral("refreshAccessToken"));
}
