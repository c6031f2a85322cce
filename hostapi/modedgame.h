#pragma once

#include "kevent.h"

#include <QEvent>
#include <QList>
#include <QString>

// One game for which mods exist; its package name is its identity.
struct ModedGame
{
    QString id;
    QString packageName;
    QString name;
    QString apkUrl;

    bool operator==(const ModedGame& other) const { return packageName == other.packageName; }
};

using ModedGameList = QList<ModedGame>;

// Posted to each subscribed host object after a new list has been parsed. It points at the
// process-wide list and owns nothing.
class ModedGameListChangedEvent : public QEvent
{
public:
    explicit ModedGameListChangedEvent(ModedGameList* list)
        : QEvent(static_cast<QEvent::Type>(KEvent::ModedGameListChange)), modedGameList(list)
    {
    }

    ModedGameList* modedGameList;
};
