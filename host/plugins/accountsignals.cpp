#include "accountsignals.h"

#include "hostcontract.h"

AccountSignals::AccountSignals(QObject* parent)
    : QObject(parent)
{
    // Listeners on other threads get the record through a queued connection.
    KvlHost::registerContractTypes();
}
