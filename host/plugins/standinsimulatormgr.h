#pragma once

#include "isimulatormgr.h"
#include "standinplugin.h"

#include <QList>
#include <QPair>

class QThread;

// The host's emulator instance manager: installed apps per instance, the Play Store, the
// client's identity, and APK download addresses.
class StandInSimulatorMgr : public StandInPlugin, public ISimulatorMgr
{
    Q_OBJECT
    Q_INTERFACES(ISimulatorMgr)
public:
    // When requestApkUrl answers: on the next turn of the event loop (as the host does), before
    // it returns, only when told to (answerHeldApkRequests), twice on the next turn (a host that
    // repeats itself), or from a thread of the host's own on the next turn of that thread.
    enum class ApkAnswerMode { Later, Inside, Never, Twice, OwnThread };

    static QUuid uuid();

    StandInSimulatorMgr(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    void setApkAnswerMode(ApkAnswerMode mode);
    ApkAnswerMode apkAnswerMode() const;
    // Answers the lookups held back in Never mode, now, with the profile's addresses as they are
    // now, as a host that answers very late would. Returns how many it answered.
    int answerHeldApkRequests();
    // Host faults: every lookup answers only after delayMs (0: as the mode says), and with no
    // address at all while failing, as a host whose download service is slow or down does.
    void setApkDelay(int delayMs);
    int apkDelay() const;
    void setApkFailing(bool failing);
    bool apkFailing() const;

    // ISimulatorMgr
    void requestApkUrl(const QString& package, std::function<void(const QString&)> callback, int reserved,
                       int waiting) override;
    QString clientVersion() override;
    QMap<QString, QList<InstalledAppInfo>> installedApps() override;
    bool hasPlayStore() override;
    void accountUserChanged(const QString& first, const QString& userId, const QString& third) override;
    QUuid clientUuid() override;

    ~StandInSimulatorMgr() override;

private:
    QThread* answerThread();

    QThread* m_answerThread = nullptr;
    QObject* m_answerContext = nullptr;
    ApkAnswerMode m_apkAnswerMode = ApkAnswerMode::Later;
    int m_apkDelayMs = 0;
    bool m_apkFailing = false;
    QList<QPair<QString, std::function<void(const QString&)>>> m_heldApkRequests;
};
