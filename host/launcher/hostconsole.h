#pragma once

#include <QWidget>

class HostCallLog;
class HostEvents;
class PageTraffic;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The host's side of the workbench: every call the stand-in host receives, as it happens, the
// page's traffic with the plug-in beneath it (when there is a page to follow), and controls for
// the host events the plug-in listens to. Each list keeps its newest rows and follows the bottom
// unless the user has scrolled up (ConsoleView).
class HostConsole : public QWidget
{
    Q_OBJECT
public:
    HostConsole(HostCallLog* log, HostEvents* events, PageTraffic* traffic = nullptr, QWidget* parent = nullptr);

private:
    QWidget* callList();
    QWidget* trafficList();
    QWidget* eventControls();
    // The controls show what the host holds now, whoever changed it.
    void showHostState();

    HostCallLog* m_log;
    HostEvents* m_events;
    PageTraffic* m_traffic;

    QComboBox* m_language;
    QLineEdit* m_country;
    QSpinBox* m_oneButton;
    QCheckBox* m_loggedIn;
    QLineEdit* m_email;
    QLineEdit* m_userId;
    QLineEdit* m_token;
};
