#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// What the launcher was asked to do on its command line.
struct LauncherOptions
{
    // Empty: libVornikPlugin.so beside the launcher.
    QString pluginFile;
    // Empty: the built-in demo profile.
    QString profileFile;
    QString hostLogFile;
    // Host calls kept in memory for the console and /control/log; 0 keeps all.
    int logKeep = 200000;
    // 0: any free port.
    int port = 0;
    // Empty: the launcher's own demo page.
    QString url;
    QString screenshotFile;
    // Invalid: the window's own size.
    QSize windowSize;
    // 0: leave QTWEBENGINE_REMOTE_DEBUGGING as the environment has it.
    int remoteDebuggingPort = 0;

    // Set: write the page's protocol declarations (TypeScript), or the client's table for a
    // ".js", there and do nothing else.
    QString protocolTypesFile;
    // Whether the page's client starts in development mode, checking commands before they go.
    bool clientChecks = true;

    bool helpRequested = false;

    // Reads arguments (the program name first). False on a bad command line, with *error saying
    // what is wrong. Runs before the application object exists, so it must not need one.
    static bool parse(const QStringList& arguments, LauncherOptions* options, QString* error);
    // The --help text; needs the application object.
    static QString helpText();
};
