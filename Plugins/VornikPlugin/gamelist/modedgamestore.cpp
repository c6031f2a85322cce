#include "modedgamestore.h"

namespace {

ModedGameList g_list;
QHash<QString, int> g_firstIndex;
QList<QPointer<QObject>> g_listeners;

} // namespace

namespace ModedGameStore {

ModedGameList* list()
{
    return &g_list;
}

void replace(const ModedGameList& games)
{
    g_list = games;
    g_firstIndex.clear();
    g_firstIndex.reserve(g_list.size());
    for (int i = 0; i < g_list.size(); ++i) {
        if (!g_firstIndex.contains(g_list.at(i).packageName))
            g_firstIndex.insert(g_list.at(i).packageName, i);
    }
}

void clear()
{
    replace(ModedGameList());
}

ModedGame* find(const QString& packageName)
{
    const auto it = g_firstIndex.constFind(packageName);
    if (it != g_firstIndex.cend() && it.value() < g_list.size() && g_list.at(it.value()).packageName == packageName)
        return &g_list[it.value()];
    // The host holds the list by pointer and might have changed it; never trust a stale index.
    const int index = g_list.indexOf(ModedGame{QString(), packageName, QString(), QString()});
    return index < 0 ? nullptr : &g_list[index];
}

QList<QPointer<QObject>>& listeners()
{
    return g_listeners;
}

} // namespace ModedGameStore
