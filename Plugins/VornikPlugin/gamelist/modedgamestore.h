#pragma once

#include "modedgame.h"

#include <QHash>
#include <QList>
#include <QPointer>

// The process-wide moded game list, its listeners and an index from package name to the first
// record with that name. The list outlives any one plug-in object; the host holds a pointer to it.
// GUI thread only.
namespace ModedGameStore {

ModedGameList* list();

// Replaces the whole list and rebuilds the index.
void replace(const ModedGameList& games);
void clear();

// The first record whose package name equals the given one, or null.
ModedGame* find(const QString& packageName);

// Listeners in subscription order; one destroyed stays as a null entry until the next parse.
QList<QPointer<QObject>>& listeners();

} // namespace ModedGameStore
