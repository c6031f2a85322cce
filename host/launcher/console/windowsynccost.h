#pragma once

#include <QObject>

class QWidget;

// What putting a window on the screen costs the GUI thread, taken from its own syncs (the update
// request that paints what is dirty and flushes it). A window that holds the web view is composed
// as a whole whatever changed, and without a GPU that is a software rasteriser: on Qt 6 some 15 ms
// a time, on Qt 5.15 with the console in a native window of its own about 1.5 ms. The console
// spaces its catch-ups by it, so that following the page's traffic stays a small share of the
// thread that also carries the page's messages.
class WindowSyncCost : public QObject
{
    Q_OBJECT
public:
    // The one that watches this window, made the first time it is asked for; it goes with the
    // window.
    static WindowSyncCost* of(QWidget* window);

    // A recent sync's cost, smoothed over the last few so that one slow sync (the first, a
    // resize) does not set the pace. 0 before the first.
    double ms() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowSyncCost(QWidget* window);

    bool m_inSync = false;
    double m_ms = 0;
};
