#include "standinsetting.h"

#include "hostcontract.h"
#include "hostprofile.h"
#include "kevent.h"

#include <QCoreApplication>
#include <QEvent>

QUuid StandInSetting::uuid()
{
    return QUuid::fromString(QLatin1String(KvlHost::kSettingPlugin.uuid));
}

StandInSetting::StandInSetting(HostProfile* profile, HostCallLog* log, QObject* parent)
    : StandInPlugin(uuid(), QStringLiteral("ISetting"), profile, log, parent)
{
}

void StandInSetting::setOneButtonConfig(int value)
{
    profile().oneButtonConfig = value;
}

void StandInSetting::changeOneButtonConfig(int value)
{
    setOneButtonConfig(value);
    for (const QPointer<QObject>& listener : qAsConst(m_listeners)) {
        if (listener)
            QCoreApplication::postEvent(listener, new QEvent(static_cast<QEvent::Type>(KEvent::PlayGameStrategyChange)));
    }
}

QList<QPointer<QObject>> StandInSetting::settingListeners() const
{
    return m_listeners;
}

int StandInSetting::oneButtonConfig()
{
    record(QStringLiteral("oneButtonConfig"));
    return profile().oneButtonConfig;
}

void StandInSetting::addSettingListener(QObject* listener)
{
    record(QStringLiteral("addSettingListener"), {listener != nullptr});
    m_listeners.append(listener);
}
