#include "fuzzsupport.h"

#include "hostcalllog.h"
#include "iplugin.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMetaMethod>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {

// Stands in for the system's handlers of web addresses, so a shared link opens no browser.
class UrlSink : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl&) {}
};

PluginHarness* g_harness = nullptr;
QObject* g_webManager = nullptr;
QMetaMethod g_handleCommandText;
bool g_verbose = false;

void onMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Only a registered handler may open anything: an address of any other scheme that reaches the
    // system's handlers finds no GUI application, and Qt says so.
    if (message.startsWith(QLatin1String("QDesktopServices::openUrl")))
        Fuzz::fail("the plug-in handed a non-web address to the system's URL handlers", message);
    if (type == QtFatalMsg)
        Fuzz::fail("fatal message", message);
    // The plug-in logs every command it refuses and every host call it skips: at thousands of
    // inputs a second that output would be most of the run's work.
    if (g_verbose)
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
}

} // namespace

namespace Fuzz {

void startApplication(const char* argv0)
{
    g_verbose = qEnvironmentVariableIsSet("VORNIK_FUZZ_LOG");
    qInstallMessageHandler(onMessage);
    // Qt keeps a reference to the count and may take arguments out of the list; libFuzzer's own
    // arguments stay its own.
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(argv0), nullptr};
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    new QCoreApplication(argc, argv);

    // Held for the process: Qt's handler registry is gone by the time the leak check at exit runs.
    static UrlSink* sink = new UrlSink;
    for (const char* scheme : {"http", "https"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), sink, "open");
}

HostProfile profile()
{
    HostProfile demo = HostProfile::demo();
    demo.appConfig.insert(AppConfigWebTestUrl, QStringLiteral("http://127.0.0.1/"));
    demo.appConfig.insert(AppConfigWebServiceHost, QStringLiteral("http://127.0.0.1/"));
    return demo;
}

PluginHarness& harness(const QList<QUuid>& hiddenHostPlugins)
{
    if (g_harness)
        return *g_harness;
    g_harness = new PluginHarness(profile());
    for (const QUuid& uuid : hiddenHostPlugins)
        g_harness->host()->setAbsent(uuid, true);
    if (!g_harness->bind() || !g_harness->plugin()->bindLanguage() || !g_harness->plugin()->bindAccount())
        fail("the plug-in refused to bind");

    g_webManager = g_harness->webManager();
    if (!g_webManager)
        fail("the plug-in has no WebManager");
    const int index = g_webManager->metaObject()->indexOfMethod("handleCommandText(QString,int)");
    if (index < 0)
        fail("the WebManager offers no handleCommandText(QString,int)");
    g_handleCommandText = g_webManager->metaObject()->method(index);
    settle();
    return *g_harness;
}

QJsonObject command(const QString& text, int pageMask)
{
    QJsonObject reply;
    if (!g_handleCommandText.invoke(g_webManager, Qt::DirectConnection, Q_RETURN_ARG(QJsonObject, reply),
                                    Q_ARG(QString, text), Q_ARG(int, pageMask)))
        fail("handleCommandText could not be called");
    return reply;
}

void runQueued()
{
    // Each pass may queue the next step (an answer posted by the host, a timer it starts).
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void settle()
{
    runQueued();
    if (g_harness)
        g_harness->log()->clear();
}

void fail(const char* reason, const QString& detail)
{
    std::fprintf(stderr, "==vornik-fuzz== %s\n%s\n", reason, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

QString text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

} // namespace Fuzz

#include "fuzzsupport.moc"
