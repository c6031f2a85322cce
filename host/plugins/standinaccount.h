#pragma once

#include "iaccount.h"
#include "standinplugin.h"

class AccountSignals;

class StandInAccount : public StandInPlugin, public IAccount
{
    Q_OBJECT
    Q_INTERFACES(IAccount)
public:
    static QUuid uuid();

    StandInAccount(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    // The host's account changed: what accountInfo() answers follows, and the signal source tells
    // its listeners, on the calling thread.
    void emitAccountChange(const ACCOUNTINFO& info);
    AccountSignals* accountSignals() const;

    // IAccount
    QObject* signalSource() override;
    const ACCOUNTINFO& accountInfo() override;
    void refreshAccessToken() override;

private:
    AccountSignals* m_signals;
};
