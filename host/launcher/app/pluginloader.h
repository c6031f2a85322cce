#pragma once

#include <QString>

class IPlugin;
class IVornik;
class QObject;

// The plug-in as the host holds it after loading: its object and the two interfaces the host
// drives it through.
struct LoadedPlugin
{
    QObject* object = nullptr;
    IPlugin* plugin = nullptr;
    IVornik* vornik = nullptr;
};

// Loads a plug-in file the way the host does: reads its metadata first and refuses anything that
// is not a browser plug-in, then asks for its instance. On failure *error says why.
LoadedPlugin loadVornikPlugin(const QString& file, QString* error);
