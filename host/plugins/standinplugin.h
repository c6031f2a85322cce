#pragma once

#include "iplugin.h"

#include <QJsonArray>
#include <QObject>

class HostCallLog;
struct HostProfile;

// Common ground of the stand-in host plug-ins: the IPlugin part, the shared profile they answer
// from, and the call log every named operation is written to.
class StandInPlugin : public QObject, public IPlugin
{
    Q_OBJECT
    Q_INTERFACES(IPlugin)
public:
    StandInPlugin(const QUuid& uuid, const QString& iface, HostProfile* profile, HostCallLog* log,
                  QObject* parent);
    ~StandInPlugin() override;

    QString interfaceName() const;
    HostProfile& profile() const;

    // IPlugin: nothing to bind, a stand-in is ready as soon as it exists.
    QObject* pluginObject() override;
    QUuid pluginUuid() const override;
    void reservedHook(quintptr value) override;
    bool bindHost(IPluginManager* manager, quintptr reserved) override;
    bool bindLanguage() override;
    bool acknowledgeFirst() override;
    bool bindAccount() override;
    bool acknowledgeSecond() override;

protected:
    void record(const QString& op, const QJsonArray& args = QJsonArray()) const;

private:
    QUuid m_uuid;
    QString m_iface;
    HostProfile* m_profile;
    HostCallLog* m_log;
};
