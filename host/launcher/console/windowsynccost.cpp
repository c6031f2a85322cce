#include "launcher/console/windowsynccost.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

WindowSyncCost* WindowSyncCost::of(QWidget* window)
{
    if (auto* cost = window->findChild<WindowSyncCost*>(QString(), Qt::FindDirectChildrenOnly))
        return cost;
    return new WindowSyncCost(window);
}

WindowSyncCost::WindowSyncCost(QWidget* window)
    : QObject(window)
{
    window->installEventFilter(this);
}

double WindowSyncCost::ms() const
{
    return m_ms;
}

bool WindowSyncCost::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::UpdateRequest || m_inSync || watched != parent())
        return false;
    // The window's own handling, timed; nothing else filters its update requests.
    m_inSync = true;
    QElapsedTimer timer;
    timer.start();
    watched->event(event);
    const double ms = timer.nsecsElapsed() / 1e6;
    m_inSync = false;
    m_ms = m_ms == 0 ? ms : 0.75 * m_ms + 0.25 * ms;
    return true;
}
