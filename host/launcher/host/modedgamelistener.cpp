#include "launcher/host/modedgamelistener.h"

#include "hostcalllog.h"
#include "modedgame.h"

#include <QJsonArray>

ModedGameListener::ModedGameListener(HostCallLog* log, QObject* parent)
    : QObject(parent)
    , m_log(log)
{
}

bool ModedGameListener::event(QEvent* event)
{
    if (static_cast<int>(event->type()) != KEvent::ModedGameListChange)
        return QObject::event(event);
    const auto* change = dynamic_cast<ModedGameListChangedEvent*>(event);
    if (!change || !change->modedGameList)
        return QObject::event(event);

    // The event points at the plug-in's own list, which the next parse replaces: copy what is
    // shown now.
    QStringList names;
    for (const ModedGame& game : qAsConst(*change->modedGameList))
        names.append(game.packageName);
    m_packageNames = names;
    m_received = true;
    m_log->record(QStringLiteral("ModedGameListener"), QStringLiteral("modedGameListChanged"),
                  {names.size(), QJsonArray::fromStringList(names)});
    emit listChanged(names.size());
    return true;
}

bool ModedGameListener::received() const
{
    return m_received;
}

int ModedGameListener::count() const
{
    return m_packageNames.size();
}

QStringList ModedGameListener::packageNames() const
{
    return m_packageNames;
}
