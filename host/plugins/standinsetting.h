#pragma once

#include "isetting.h"
#include "standinplugin.h"

#include <QList>
#include <QPointer>

// The host's settings: the one-button play setting, and the objects that want to hear when the
// play strategy changes.
class StandInSetting : public StandInPlugin, public ISetting
{
    Q_OBJECT
    Q_INTERFACES(ISetting)
public:
    static QUuid uuid();

    StandInSetting(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    void setOneButtonConfig(int value);
    // Sets the value and posts a play-strategy change to every listener still alive, as the
    // host's settings page does.
    void changeOneButtonConfig(int value);
    // Listeners in the order they were added; destroyed ones read as null.
    QList<QPointer<QObject>> settingListeners() const;

    // ISetting
    int oneButtonConfig() override;
    void addSettingListener(QObject* listener) override;

private:
    QList<QPointer<QObject>> m_listeners;
};
