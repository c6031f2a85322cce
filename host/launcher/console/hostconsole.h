// The launcher's console room: host calls and page traffic beside the page, and the workbench's controls.
#pragma once

#include <QWidget>

class HostCallLog;
class HostEvents;
class HostFaults;
class PageWatcher;
class PageTraffic;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;

// The host's side of the workbench: every call the stand-in host receives, as it happens, the
// page's traffic with the plug-in beneath it (when there is a page to follow), and controls for
// the host events the plug-in listens to. Each list keeps its newest rows and follows the bottom
// unless the user has scrolled up (ConsoleView).
class HostConsole : public QWidget
{
    Q_OBJECT
public:
    HostConsole(HostCallLog* log, HostEvents* events, PageTraffic* traffic = nullptr, QWidget* parent = nullptr);

    // Adds the page's controls (reload, screenshot) and the host faults' switches beneath the
    // host events; they follow the faults whoever switches them.
    void addWorkbench(PageWatcher* page, HostFaults* faults);

    // Shows every call and page message so far, now, with the counts over the lists, and lays
    // itself out with them: a picture of the window must show what had happened when it was
    // taken, not what the last of the spaced-out catch-ups had seen.
    void catchUp();

private:
    QWidget* callList();
    QWidget* trafficList();
    QWidget* eventControls();
    // The controls show what the host holds now, whoever changed it.
    void showHostState();
    void showFaults();

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

    QVBoxLayout* m_layout;
    QLabel* m_callCount = nullptr;
    HostFaults* m_faults = nullptr;
    QCheckBox* m_webHostUnreachable = nullptr;
    QCheckBox* m_modedListFailing = nullptr;
    QCheckBox* m_apkFailing = nullptr;
    QCheckBox* m_apkSlow = nullptr;
    QSpinBox* m_apkDelay = nullptr;
    QLabel* m_workbenchStatus = nullptr;
};
