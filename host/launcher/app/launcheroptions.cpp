#include "launcher/app/launcheroptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

bool readPort(const QString& text, int lowest, const QString& option, int* port, QString* error)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > 65535) {
        *error = QStringLiteral("--%1 needs a port number from %2 to 65535, not \"%3\"")
                     .arg(option)
                     .arg(lowest)
                     .arg(text);
        return false;
    }
    *port = value;
    return true;
}

// Small enough for any screen's corner, large enough for a 4K page; beyond, the grab fails.
constexpr int kMinSide = 200;
constexpr int kMaxSide = 8192;

bool readSize(const QString& text, QSize* size, QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    const QSize read = match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
    if (!read.isValid() || read.width() < kMinSide || read.height() < kMinSide || read.width() > kMaxSide
        || read.height() > kMaxSide) {
        *error = QStringLiteral("--size needs WIDTHxHEIGHT in pixels, each from %1 to %2 (e.g. 1280x800), not \"%3\"")
                     .arg(kMinSide)
                     .arg(kMaxSide)
                     .arg(text);
        return false;
    }
    *size = read;
    return true;
}

// The launcher's command line, declared once for parsing and for the help text.
struct CommandLine
{
    QCommandLineParser parser;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")};
    // Not "--plugin": the application object takes that one for its own generic plug-ins.
    const QCommandLineOption plugin{
        QStringLiteral("plugin-file"),
        QStringLiteral("Plug-in file to load (default: libVornikPlugin.so beside the launcher)."),
        QStringLiteral("FILE")};
    const QCommandLineOption profile{QStringLiteral("profile"),
                                     QStringLiteral("Host profile (JSON). Without one: the built-in demo profile."),
                                     QStringLiteral("FILE")};
    const QCommandLineOption hostLog{QStringLiteral("host-log"),
                                     QStringLiteral("Writes every host call to FILE, one JSON object per line."),
                                     QStringLiteral("FILE")};
    const QCommandLineOption logKeep{
        QStringLiteral("log-keep"),
        QStringLiteral("Newest host calls kept in memory for /control/log (default 200000; 0: all).\n"
                       "--host-log still writes every one."),
        QStringLiteral("N"), QStringLiteral("200000")};
    const QCommandLineOption port{QStringLiteral("port"),
                                  QStringLiteral("Port of the web service on 127.0.0.1 (default 0: any free port)."),
                                  QStringLiteral("N"), QStringLiteral("0")};
    const QCommandLineOption url{QStringLiteral("url"),
                                 QStringLiteral("Page address to show instead of the launcher's demo page."),
                                 QStringLiteral("URL")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Once the page is loaded and ready, writes a PNG of the window, prints a summary, exits."),
        QStringLiteral("FILE")};
    const QCommandLineOption size{QStringLiteral("size"),
                                  QStringLiteral("Window size in pixels, e.g. 1280x800 (the default)."),
                                  QStringLiteral("WxH")};
    const QCommandLineOption remoteDebugging{
        QStringLiteral("remote-debugging"),
        QStringLiteral("Opens the web engine's DevTools port (sets QTWEBENGINE_REMOTE_DEBUGGING)."),
        QStringLiteral("PORT")};

    const QCommandLineOption protocolTypes{
        QStringLiteral("write-protocol-types"),
        QStringLiteral("Writes the page protocol's TypeScript declarations (or, to a FILE ending in .js that is\n"
                       "not .d.ts, the page client's table) to FILE and exits."),
        QStringLiteral("FILE")};
    const QCommandLineOption noClientChecks{
        QStringLiteral("no-client-checks"),
        QStringLiteral("Starts the page's vornik-client.js out of development mode: it sends commands unchecked.")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Runs the Vornik plug-in on a stand-in launcher host: shows its page, logs every host call, and\n"
            "serves the demo page, the moded game list and a control API on 127.0.0.1."));
        parser.addOptions(
            {help, plugin, profile, hostLog, logKeep, port, url, screenshot, size, remoteDebugging, protocolTypes, noClientChecks});
    }
};

} // namespace

bool LauncherOptions::parse(const QStringList& arguments, LauncherOptions* options, QString* error)
{
    CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    const CommandLine& c = commandLine;
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst());
        return false;
    }

    LauncherOptions parsed;
    parsed.helpRequested = parser.isSet(c.help);
    parsed.pluginFile = parser.value(c.plugin);
    parsed.profileFile = parser.value(c.profile);
    parsed.hostLogFile = parser.value(c.hostLog);
    bool keepOk = false;
    parsed.logKeep = parser.value(c.logKeep).toInt(&keepOk);
    if (!keepOk || parsed.logKeep < 0) {
        *error = QStringLiteral("--log-keep needs a whole number of host calls from 0, not \"%1\"")
                     .arg(parser.value(c.logKeep));
        return false;
    }
    parsed.url = parser.value(c.url);
    parsed.screenshotFile = parser.value(c.screenshot);
    parsed.protocolTypesFile = parser.value(c.protocolTypes);
    parsed.clientChecks = !parser.isSet(c.noClientChecks);
    if (!readPort(parser.value(c.port), 0, c.port.names().constFirst(), &parsed.port, error))
        return false;
    if (parser.isSet(c.size) && !readSize(parser.value(c.size), &parsed.windowSize, error))
        return false;
    if (parser.isSet(c.remoteDebugging)
        && !readPort(parser.value(c.remoteDebugging), 1, c.remoteDebugging.names().constFirst(),
                     &parsed.remoteDebuggingPort, error))
        return false;
    *options = parsed;
    return true;
}

QString LauncherOptions::helpText()
{
    return CommandLine().parser.helpText();
}
