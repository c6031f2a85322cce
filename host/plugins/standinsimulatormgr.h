#pragma once

#include "isimulatormgr.h"
#include "standinplugin.h"

// The host's emulator instance manager: installed apps per instance, the Play Store, the
// client's identity, and APK download addresses.
class StandInSimulatorMgr : public StandInPlugin, public ISimulatorMgr
{
    Q_OBJECT
    Q_INTERFACES(ISimulatorMgr)
public:
    // When requestApkUrl answers: on the next turn of the event loop (as the host does), before
    // it returns, or not at all.
    enum class ApkAnswerMode { Later, Inside, Never };

    static QUuid uuid();

    StandInSimulatorMgr(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    void setApkAnswerMode(ApkAnswerMode mode);
    ApkAnswerMode apkAnswerMode() const;

    // ISimulatorMgr
    void requestApkUrl(const QString& package, std::function<void(const QString&)> callback, int reserved,
                       int waiting) override;
    QString clientVersion() override;
    QMap<QString, QList<InstalledAppInfo>> installedApps() override;
    bool hasPlayStore() override;
    void accountUserChanged(const QString& first, const QString& userId, const QString& third) override;
    QUuid clientUuid() override;

private:
    ApkAnswerMode m_apkAnswerMode = ApkAnswerMode::Later;
};
