// What a hostile or broken page can do to the plug-in: commands of every shape and size, a page
// of another origin in the view, and a render process that dies under the page.

#include "hostcalllog.h"
#include "ivornik.h"
#include "httpstub.h"
#include "logcapture.h"
#include "pagecommand.h"
#include "pluginharness.h"

#include <QFile>
#include <QMutex>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

#include "testmain.h"

namespace {

const QStringList kAllCommands = {
    "getInstalledApps", "getVmList", "installOrPlayAppforVm", "openCloudGame", "pushRealSearchResult",
    "notifyClientRefresh", "callClientToLogin", "getUserToken", "refreshAccessToken", "getLanguage",
    "getHostConfig", "getClientConfig", "openStreamGame", "closeClientLoading", "openClientLoading",
    "closeBootAnimation", "changeBannerBackgroundImage", "servierWorkerUpdateSuccess", "onSearchInGooglePlay",
    "openShare", "VKGameBack", "postStats", "getUserConfig", "postWebVersionInfo", "onWebLogger"};

// The probe page as a web server would serve it: the channel's script inline, since a page from
// the network may not read the application's resources.
QByteArray probeOverHttp()
{
    QFile page(QStringLiteral(VORNIK_TEST_PAGES "/probe.html"));
    QFile script(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!page.open(QIODevice::ReadOnly) || !script.open(QIODevice::ReadOnly))
        qFatal("probe page or channel script missing");
    return page.readAll().replace(R"(<script src="qrc:///qtwebchannel/qwebchannel.js"></script>)",
                                  "<script>" + script.readAll() + "</script>");
}

qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

class HostilePageTest : public QObject
{
    Q_OBJECT

    HttpStub m_ownSite;
    HttpStub m_foreignSite;
    std::unique_ptr<PluginHarness> m_harness;
    // Made once the test runner has put its own message handler in place.
    std::unique_ptr<LogCapture> m_logs;
    // Every message the delivery worker hands to the bridge, whatever page shows it.
    QMutex m_outboundMutex;
    QStringList m_outbound;

    QJsonObject handle(const QString& text)
    {
        QJsonObject reply;
        QMetaObject::invokeMethod(m_harness->webManager(), "handleCommandText", Qt::DirectConnection,
                                  Q_RETURN_ARG(QJsonObject, reply), Q_ARG(QString, text), Q_ARG(int, 8));
        return reply;
    }

    QStringList outbound()
    {
        QMutexLocker lock(&m_outboundMutex);
        return m_outbound;
    }

    QWebEnginePage* page() const { return m_harness->page(); }

    // Loads the address as the host or DevTools would, and waits for the probe's script.
    bool navigate(const QString& address)
    {
        QSignalSpy finished(page(), &QWebEnginePage::loadFinished);
        page()->load(QUrl(address));
        return finished.wait(30000) && finished.first().first().toBool()
            && QTest::qWaitFor([this] { return evaluate(page(), "window.ready === true").toBool(); }, 30000);
    }

    bool killRenderer()
    {
        const qint64 pid = page()->renderProcessPid();
        return pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0;
    }

    // Bodies with raw strings are defined after the class: they throw moc off.
private slots:
    void initTestCase()
    {
        m_logs = std::make_unique<LogCapture>();
        m_ownSite.setDefaultReply(200, probeOverHttp(), "text/html");
        m_foreignSite.setDefaultReply(200, probeOverHttp(), "text/html");
        HostProfile profile = PluginHarness::testProfile();
        profile.account.loggedIn = true;
        profile.account.token = "secret-token";
        profile.appConfig.insert(AppConfigXToken, "secret-x");
        m_harness = std::make_unique<PluginHarness>(profile);
        QVERIFY(m_harness->bind());
    }

    // Without a view first: a command that reloads or hides the page would disturb the suites'
    // page, and the inbound path needs none.
    void commandShapes_data();
    void commandShapes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, repliedAs);

        QCOMPARE(handle(QString::fromUtf8(text)).value("event").toString(), repliedAs);
    }

    void everyCommandWithEveryDataType();
    void hugeCommands();
    void showOwnPage();

    void burstKeepsOrder()
    {
        const int count = 2000;
        evaluate(page(), QStringLiteral("window.received = []; for (let i = 0; i < %1; ++i)"
                                        " window.send(JSON.stringify({event: 'getLanguage', callbackEvent: 'burst-' + i})); true")
                             .arg(count));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(page(), "window.received.length").toInt(), count, 120000);
        const QJsonArray received = receivedMessages(page());
        for (int i = 0; i < count; ++i)
            QCOMPARE(received.at(i).toObject().value("event").toString(), QStringLiteral("burst-%1").arg(i));
    }

    void foreignOriginGetsNothing();
    void queuedMessagesStayWithOwnPage();
    void slowReloadOverForeignPage();

    void rendererCrash();

    void cleanupTestCase() { m_harness.reset(); }

public slots:
    void recordOutbound(const QJsonObject& message)
    {
        QMutexLocker lock(&m_outboundMutex);
        m_outbound.append(message.value("event").toString());
    }
};

void HostilePageTest::everyCommandWithEveryDataType()
{
    // The page's data is never checked: each type reads as an empty value of the expected
    // one, and the command still answers its callback.
    const QStringList dataValues = {"null", "true", "-1e308", R"("text")", "[1,[2]]", R"({"data":7})", "{}"};
    for (const QString& event : kAllCommands) {
        for (const QString& data : dataValues) {
            const QString text = QStringLiteral(R"({"event":"%1","data":%2,"ga":%2,"callbackEvent":"cb"})").arg(event, data);
            QCOMPARE(handle(text).value("event").toString(), QStringLiteral("cb"));
        }
    }
}

void HostilePageTest::hugeCommands()
{
    // Tens of megabytes in one command: parsed, answered, and freed again.
    const QByteArray filler(30 * 1024 * 1024, 'x');
    const qint64 before = peakRssKb();
    for (int i = 0; i < 4; ++i) {
        const QString text = R"({"event":"getLanguage","callbackEvent":"big","data":")" + QString::fromLatin1(filler) + "\"}";
        QCOMPARE(handle(text).value("event").toString(), QStringLiteral("big"));
    }
    // Four at once would be four times one; a leak per command would show the same way.
    const qint64 growthMb = (peakRssKb() - before) / 1024;
    qInfo("peak memory grew by %lld MiB over four 30 MiB commands", growthMb);
    QVERIFY2(growthMb < 4 * 30 * 4, qPrintable(QString::number(growthMb)));
}

void HostilePageTest::showOwnPage()
{
    QVERIFY(!m_ownSite.baseUrl().isEmpty() && !m_foreignSite.baseUrl().isEmpty());
    QVERIFY(m_harness->showPage(QUrl(m_ownSite.baseUrl() + "/vornik/")));
    connect(m_harness->bridge(), SIGNAL(contentChanged(QJsonObject)), this, SLOT(recordOutbound(QJsonObject)),
            Qt::DirectConnection);
    QCOMPARE(replyData(roundTrip(page(), R"({"event":"getLanguage"})")).value("language").toString(), QStringLiteral("en"));
}

void HostilePageTest::foreignOriginGetsNothing()
{
    const QString foreign = m_foreignSite.baseUrl() + "/";
    QVERIFY(navigate(foreign));
    m_logs->clear();
    m_harness->log()->clear();
    QSignalSpy commands(m_harness->bridge(), SIGNAL(htmlData(QString)));
    {
        QMutexLocker lock(&m_outboundMutex);
        m_outbound.clear();
    }

    // Every command, twice, as a page that wants the tokens would send them.
    evaluate(page(), QStringLiteral("for (const name of %1.concat(%1))"
                                    " window.send(JSON.stringify({event: name, callbackEvent: 'stolen-' + name,"
                                    " data: {package_name: 'com.example.racer', url: 'https://example.test/'}})); true")
                         .arg(compactJson(QJsonArray::fromStringList(kAllCommands))));
    QTRY_COMPARE_WITH_TIMEOUT(commands.count(), 2 * kAllCommands.size(), 30000);
    // Nor does the host's own news reach it.
    m_harness->vornik()->sendToPage(8, "pushed", QJsonObject{{"token", "secret-token"}});

    QCOMPARE(hostCalls(m_harness->log()), QStringList());
    QCOMPARE(m_logs->lines("Web: a page of another origin"),
             QStringList{"Web: a page of another origin is shown; it gets no answer and no message: " + m_foreignSite.baseUrl()});

    // Back on its own origin the page is answered again, and the answer is the first thing
    // the worker delivered since the foreign page came: nothing was queued for it.
    QVERIFY(navigate(m_ownSite.baseUrl() + "/vornik/"));
    QCOMPARE(eventsAndData(roundTrip(page(), R"({"event":"getUserToken","callbackEvent":"own"})")).size(), 1);
    QCOMPARE(outbound(), QStringList{"own"});
}

void HostilePageTest::queuedMessagesStayWithOwnPage()
{
    QCOMPARE(page()->url().toString(), m_ownSite.baseUrl() + "/vornik/");
    {
        QMutexLocker lock(&m_outboundMutex);
        m_outbound.clear();
    }
    // Three seconds of messages at the page's pace; the view leaves for another origin at once,
    // the way DevTools or a typed address takes it.
    for (int i = 0; i < 300; ++i)
        m_harness->vornik()->sendToPage(8, "queued", QJsonObject{{"token", "secret-token"}, {"n", i}});
    QVERIFY(navigate(m_foreignSite.baseUrl() + "/"));
    qInfo("%d of 300 messages reached the own page before the other one came", int(outbound().size()));
    QVERIFY(outbound().size() < 300);
    // The rest of the burst would have reached it by now.
    QVERIFY(!QTest::qWaitFor([this] { return evaluate(page(), "window.received.length").toInt() > 0; }, 3500));
}

void HostilePageTest::slowReloadOverForeignPage()
{
    // The other origin's document stays live while the plug-in's reload of the own page waits for
    // its web host (some engine releases already name the own address meanwhile).
    m_ownSite.setDelayMs(3000);
    const auto fastAgain = qScopeGuard([this] { m_ownSite.setDelayMs(0); });
    m_harness->log()->clear();
    QSignalSpy commands(m_harness->bridge(), SIGNAL(htmlData(QString)));
    const int asked = m_ownSite.paths().size();
    m_harness->vornik()->startDomainTest(8);
    QTRY_VERIFY_WITH_TIMEOUT(m_ownSite.paths().size() > asked, 30000);
    QCOMPARE(evaluate(page(), "location.origin").toString(), m_foreignSite.baseUrl());

    evaluate(page(), QStringLiteral("for (const name of %1)"
                                    " window.send(JSON.stringify({event: name, callbackEvent: 'stolen-' + name,"
                                    " data: {package_name: 'com.example.racer', url: 'https://example.test/'}})); true")
                         .arg(compactJson(QJsonArray::fromStringList(kAllCommands))));
    QTRY_COMPARE_WITH_TIMEOUT(commands.count(), kAllCommands.size(), 30000);
    QCOMPARE(hostCalls(m_harness->log()), QStringList());
    QVERIFY(!QTest::qWaitFor([this] { return evaluate(page(), "window.received.length").toInt() > 0; }, 500));

    // The own page, once it comes, is answered.
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(page(), "window.ready === true && location.origin === '" + m_ownSite.baseUrl() + "'").toBool(),
                             30000);
    QCOMPARE(replyData(roundTrip(page(), R"({"event":"getLanguage"})")).value("language").toString(), QStringLiteral("en"));
}

void HostilePageTest::rendererCrash()
{
    // The window is shortened as the APK wait's bound is; three restarts fit in it, the
    // fourth waits until the first has left it.
    const int windowMs = 8000;
    m_harness->webManager()->setProperty("rendererRestartWindowMs", windowMs);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> loadStarts;
    const QMetaObject::Connection watch =
        connect(page(), &QWebEnginePage::loadStarted, this, [&] { loadStarts.append(clock.elapsed()); });
    m_logs->clear();

    // Each kill lands on a page that is up again, as soon as it is.
    for (int kill = 0; kill < 4; ++kill) {
        QSignalSpy finished(page(), &QWebEnginePage::loadFinished);
        const qint64 killedAt = clock.elapsed();
        QVERIFY(killRenderer());
        QVERIFY(finished.wait(windowMs + 60000));
        QVERIFY(finished.last().first().toBool());
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(page(), "window.ready === true").toBool(), 30000);
        // A figure for the reliability notes, not a bound.
        qInfo("kill %d: page answering again %lld ms after the kill", kill + 1, clock.elapsed() - killedAt);
        QCOMPARE(replyData(roundTrip(page(), R"({"event":"getLanguage"})")).value("language").toString(),
                 QStringLiteral("en"));
    }
    disconnect(watch);

    QCOMPARE(m_logs->lines("[vk webengine] render process terminated").size(), 4);
    QCOMPARE(m_logs->lines("[vk webengine] render process crashed").size(), 1);
    QCOMPARE(loadStarts.size(), 4);
    QVERIFY2(loadStarts.at(2) - loadStarts.at(0) < windowMs, qPrintable(QString::number(loadStarts.at(2) - loadStarts.at(0))));
    QVERIFY2(loadStarts.at(3) - loadStarts.at(0) >= windowMs - 200,
             qPrintable(QString::number(loadStarts.at(3) - loadStarts.at(0))));
}

void HostilePageTest::commandShapes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("repliedAs");

    QTest::newRow("nested within the parser's depth") << "{\"event\":\"getLanguage\",\"callbackEvent\":\"deep\",\"data\":"
                                                             + QByteArray(500, '[') + QByteArray(500, ']') + "}"
                                                      << "deep";
    QTest::newRow("nested past the parser's depth") << "{\"event\":\"getLanguage\",\"callbackEvent\":\"deeper\",\"data\":"
                                                           + QByteArray(100000, '[') + QByteArray(100000, ']') + "}"
                                                    << "";
    QTest::newRow("unclosed nesting") << "{\"event\":\"getLanguage\",\"callbackEvent\":\"open\",\"data\":" + QByteArray(100000, '{')
                                      << "";
    QTest::newRow("callback name not a string") << QByteArray(R"({"event":"getLanguage","callbackEvent":{"x":1}})") << "";
    QTest::newRow("event and callback of a million characters")
        << "{\"event\":\"" + QByteArray(1000000, 'e') + "\",\"callbackEvent\":\"c\"}" << "c";
    // Qt's parser would keep the last value and lose the object it replaces for good.
    QTest::newRow("a key repeated over an object")
        << QByteArray(R"({"event":"getLanguage","callbackEvent":"twice","data":{"a":1},"data":{}})") << "";
    // The scan's levels grow several times inside the first value before the repeat comes.
    QTest::newRow("a key repeated over a deeply nested value")
        << "{\"event\":\"getLanguage\",\"callbackEvent\":\"deep twice\",\"data\":{\"d\":" + QByteArray(200, '[') + "1"
               + QByteArray(200, ']') + ",\"d\":{}}}"
        << "";
    QTest::newRow("a key repeated over a text") << QByteArray(R"({"event":"getLanguage","callbackEvent":"first","callbackEvent":"last"})")
                                                << "last";
    QTest::newRow("control characters") << QByteArray(R"({"event":"getLanguage\u0000","callbackEvent":"\u0001\n"})")
                                        << QStringLiteral("\x01\n");
}

VORNIK_TEST_MAIN(HostilePageTest)
#include "tst_hostilepage.moc"
