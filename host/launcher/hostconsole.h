#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class HostCallLog;
class HostCallModel;
class HostEvents;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTreeView;

// The host's side of the workbench: every call the stand-in host receives, as it happens, and
// controls for the host events the plug-in listens to. The list keeps the newest calls up to its
// capacity and follows the bottom unless the user has scrolled up. It catches up with the log in
// batches, at most every 50 ms, so a host that makes a hundred thousand calls in a row costs it
// one batch of the newest rows, not a hundred thousand updates.
class HostConsole : public QWidget
{
    Q_OBJECT
public:
    HostConsole(HostCallLog* log, HostEvents* events, QWidget* parent = nullptr);

private:
    void scheduleCatchUp();
    void catchUp();
    QWidget* eventControls();
    // The controls show what the host holds now, whoever changed it.
    void showHostState();

    HostCallLog* m_log;
    HostEvents* m_events;
    HostCallModel* m_model;
    QTreeView* m_calls;
    QLabel* m_count;
    qint64 m_shownSeq = 0;
    QTimer m_catchUp;
    QElapsedTimer m_sinceCatchUp;

    QComboBox* m_language;
    QLineEdit* m_country;
    QSpinBox* m_oneButton;
    QCheckBox* m_loggedIn;
    QLineEdit* m_email;
    QLineEdit* m_userId;
    QLineEdit* m_token;
};
