#pragma once

#include <QJsonObject>
#include <QWidget>

class HostCallLog;
class HostEvents;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTreeWidget;

// The host's side of the workbench: every call the stand-in host receives, as it happens, and
// controls for the host events the plug-in listens to.
class HostConsole : public QWidget
{
    Q_OBJECT
public:
    HostConsole(HostCallLog* log, HostEvents* events, QWidget* parent = nullptr);

private:
    void append(const QJsonObject& entry);
    QWidget* eventControls();
    // The controls show what the host holds now, whoever changed it.
    void showHostState();

    HostCallLog* m_log;
    HostEvents* m_events;
    QTreeWidget* m_calls;
    QLabel* m_count;
    qint64 m_lastSeq = 0;

    QComboBox* m_language;
    QLineEdit* m_country;
    QSpinBox* m_oneButton;
    QCheckBox* m_loggedIn;
    QLineEdit* m_email;
    QLineEdit* m_userId;
    QLineEdit* m_token;
};
