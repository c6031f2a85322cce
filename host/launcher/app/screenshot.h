#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class HostCallLog;
class MainWindow;
class ModedGameListener;
class PageWatcher;

// --screenshot: waits until the page has loaded and its script is ready, and until the moded
// game list has arrived (or a few seconds more have passed), then writes a PNG of the window,
// prints a one-line summary on standard output (with the counts the picture's console shows beside
// the true ones) and ends the launcher: 0 when the page loaded, 1 when it never did or the file
// could not be written.
class Screenshot : public QObject
{
    Q_OBJECT
public:
    Screenshot(MainWindow* window, PageWatcher* page, ModedGameListener* games, HostCallLog* log, const QString& file,
               QObject* parent = nullptr);

    void start();

private:
    void check();
    void take();

    MainWindow* m_window;
    PageWatcher* m_page;
    ModedGameListener* m_games;
    HostCallLog* m_log;
    QString m_file;
    QTimer m_check;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceReady;
    bool m_taking = false;
};
