#pragma once

#include <QObject>
#include <QStringList>

class HostCallLog;

// The host object subscribed to the plug-in's moded game list: takes note of every new list the
// plug-in announces and writes it into the call log, as something the host received.
class ModedGameListener : public QObject
{
    Q_OBJECT
public:
    explicit ModedGameListener(HostCallLog* log, QObject* parent = nullptr);

    bool event(QEvent* event) override;

    // Whether any list has been announced yet.
    bool received() const;
    int count() const;
    QStringList packageNames() const;

signals:
    void listChanged(int count);

private:
    HostCallLog* m_log;
    bool m_received = false;
    QStringList m_packageNames;
};
