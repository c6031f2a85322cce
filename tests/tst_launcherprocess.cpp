// The built launcher as a separate process, driven only through its control API, with the
// assertions made on the host call log it writes (--host-log). What the page does is seen through
// what it asks of the launcher: its web service records every game list request, and the demo
// page asks for the list again, in the new language, only when "updateLanguage" has reached it.
// The page's traffic (/control/traffic) follows the page's own channel; what its protocol check
// says of each kind of command is tst_launcherapi's business. Host faults are judged by what the
// user sees of them.

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "testmain.h"

static constexpr int kTimeoutMs = 60000;

class LauncherProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void modedGameListIsServedAnnouncedAndPlayed();
    void languageChangeReachesThePage();
    void faultSwitchesAreCheckedAndUndone_data();
    void faultSwitchesAreCheckedAndUndone();
    void modedListFailsUntilToldOtherwise();
    void pageComesBackAfterAnOutageAndACrash();
    void pageOfOnesOwnIsShotOnceItSendsACommand_data();
    void pageOfOnesOwnIsShotOnceItSendsACommand();
    void logReadInPartsIsTheWholeLog();
    void memoryIsTheProcessInBytes();
    void quitEndsTheProcessCleanly();

private:
    // "STATUS BODY" of the launcher's answer.
    QByteArray call(const QByteArray& method, const QString& path, const QByteArray& body = QByteArray())
    {
        QNetworkRequest request(QUrl(m_base + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
        if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, kTimeoutMs))
            reply->abort();
        reply->deleteLater();
        return QByteArray::number(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()) + ' '
            + reply->readAll();
    }

    // The host log file as written so far.
    QJsonArray hostLog() const
    {
        QFile file(m_dir.filePath("host.jsonl"));
        if (!file.open(QIODevice::ReadOnly))
            return QJsonArray();
        QList<QByteArray> lines = file.readAll().split('\n');
        // A line still being written has no newline yet; it is read next time.
        lines.removeLast();
        QJsonArray entries;
        for (const QByteArray& line : qAsConst(lines))
            entries.append(QJsonDocument::fromJson(line).object());
        return entries;
    }

    // The arguments of each call of that operation, in order.
    QJsonArray calls(const char* iface, const char* op) const
    {
        QJsonArray calls;
        for (const QJsonValue& entry : hostLog())
            if (entry["iface"] == QLatin1String(iface) && entry["op"] == QLatin1String(op))
                calls.append(entry["args"]);
        return calls;
    }

    // The page's traffic after that seq, an entry each: "load URL", "command EVENT, N warning(s)",
    // or "message EVENT LANGUAGE" (empty but for a language message).
    QStringList traffic(qint64 since = 0)
    {
        QStringList seen;
        const QByteArray answer = call("GET", QString("control/traffic?since=%1").arg(since));
        for (const QJsonValue& entry : QJsonDocument::fromJson(answer.mid(4)).array()) {
            const QJsonObject command = QJsonDocument::fromJson(entry["text"].toString().toUtf8()).object();
            const QJsonValue message = entry["message"];
            if (entry["kind"] == "load")
                seen.append("load " + entry["url"].toString());
            else if (entry["kind"] == "command")
                seen.append(QString("command %1, %2 warning(s)")
                                .arg(command["event"].toString())
                                .arg(entry["warnings"].toArray().size()));
            else
                seen.append(QString("message %1 %2").arg(message["event"].toString(), message["data"]["language"].toString()));
        }
        return seen;
    }

    QJsonObject pageState()
    {
        return QJsonDocument::fromJson(call("GET", "control/page").mid(4)).object();
    }

    QTemporaryDir m_dir;
    QProcess m_launcher;
    QNetworkAccessManager m_network;
    QString m_base;
};

void LauncherProcessTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile profile(m_dir.filePath("profile.json"));
    // Both records as written, whatever their JSON types; an APK address for the first only.
    const QByteArray json = R"({"language": "en", "countryCode": "DE",
        "apkUrls": {"com.test.alpha": "https://downloads.test/alpha.apk", "com.test.gamma": "https://downloads.test/gamma.apk"},
        "modedGames": [{"id": "a1", "packageName": "com.test.alpha", "name": "Alpha"},
                       {"id": 2, "packageName": "com.test.beta", "name": "Beta", "extra": [1]}]})";
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(json) == json.size());
    profile.close();
    m_network.setProxy(QNetworkProxy::NoProxy);

    // The launcher's own log lines help when something here fails.
    m_launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_launcher.start(VORNIK_LAUNCHER_FILE, {"--port", "0", "--profile", profile.fileName(), "--host-log",
                                            m_dir.filePath("host.jsonl"), "--size", "1100x700"});
    QVERIFY2(m_launcher.waitForStarted(kTimeoutMs), qPrintable(m_launcher.errorString()));
    // Its base address once it says where it serves.
    QTRY_VERIFY_WITH_TIMEOUT(m_launcher.canReadLine() || m_launcher.state() == QProcess::NotRunning, kTimeoutMs);
    const QString line = QString::fromUtf8(m_launcher.readLine()).trimmed();
    const QRegularExpressionMatch match = QRegularExpression(R"(^serving (http://127\.0\.0\.1:\d+/)$)").match(line);
    QVERIFY2(match.hasMatch(), qPrintable("the launcher said " + line));
    m_base = match.captured(1);
}

void LauncherProcessTest::cleanupTestCase()
{
    // Only when a test failed before the launcher was asked to quit.
    if (m_launcher.state() != QProcess::NotRunning) {
        m_launcher.kill();
        m_launcher.waitForFinished(kTimeoutMs);
    }
}

void LauncherProcessTest::modedGameListIsServedAnnouncedAndPlayed()
{
    // Announced: the listener the launcher subscribed heard of both records, in the reply's order.
    QTRY_COMPARE_WITH_TIMEOUT(calls("ModedGameListener", "modedGameListChanged"),
                              (QJsonArray{QJsonArray{2, QJsonArray{"com.test.alpha", "com.test.beta"}}}), kTimeoutMs);
    // Requested through the host's HTTP service, from the launcher's own web service, for the
    // profile's country.
    const QJsonArray requests = calls("IHttpDaoMgr", "sendRequest");
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0][0]["url"].toString(), m_base + "api/game/list?country=DE");
    // Served: the web service answered that request with the profile's records as written.
    QVERIFY(calls("WebService", "gameList").contains(QJsonArray{QJsonObject{{"country", "DE"}}}));
    QCOMPARE(call("GET", "api/game/list"),
             QByteArray(R"(200 {"data":[{"id":"a1","name":"Alpha","packageName":"com.test.alpha"},)"
                        R"({"extra":[1],"id":2,"name":"Beta","packageName":"com.test.beta"}]})"));

    // Never compressed, whatever the client accepts: on a loopback connection it only costs.
    QNetworkRequest compressible(QUrl(m_base + "api/game/list"));
    compressible.setRawHeader("Accept-Encoding", "br, gzip");
    QNetworkReply* reply = m_network.get(compressible);
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), kTimeoutMs);
    reply->deleteLater();
    QCOMPARE(reply->rawHeader("Content-Encoding"), QByteArray());
    QVERIFY(reply->readAll().startsWith(R"({"data":[)"));

    // A game of it played reaches the game library.
    QCOMPARE(call("POST", "control/vornik/switchToGame", R"(["com.test.alpha", "mod-9", 3])"),
             QByteArray(R"(200 {"result":null})"));
    QTRY_COMPARE_WITH_TIMEOUT(calls("IMyGame", "showPage"), QJsonArray{QJsonArray{8}}, kTimeoutMs);

    // The plug-in's list as the host reads it: the record whose id was a number in the reply has
    // none, and the APK addresses arrive as the host's look-ups answer.
    QTRY_COMPARE_WITH_TIMEOUT(call("POST", "control/vornik/modedGameList", "[]"),
                              QByteArray(R"(200 {"result":[{"apkUrl":"https://downloads.test/alpha.apk",)"
                                         R"("id":"a1","name":"Alpha","packageName":"com.test.alpha"},)"
                                         R"({"apkUrl":"","id":"","name":"Beta","packageName":"com.test.beta"}]})"),
                              kTimeoutMs);
}

void LauncherProcessTest::languageChangeReachesThePage()
{
    // Pushes sent before the page's script has connected are lost.
    QTRY_VERIFY_WITH_TIMEOUT(call("GET", "control/page").contains(R"("ready":true)"), kTimeoutMs);
    const QJsonArray inGerman{QJsonObject{{"lang", "de"}}};
    QVERIFY(!calls("WebService", "gameList").contains(inGerman));

    QCOMPARE(call("POST", "control/event/language", R"({"code": "de"})"), QByteArray(R"(200 {"result":true})"));

    QTRY_VERIFY_WITH_TIMEOUT(calls("WebService", "gameList").contains(inGerman), kTimeoutMs);

    // The traffic has the page's commands, checked, and the message the plug-in handed it.
    QStringList seen;
    QTRY_VERIFY_WITH_TIMEOUT((seen = traffic()).contains("message updateLanguage de"), kTimeoutMs);
    QVERIFY(seen.contains("command closeBootAnimation, 0 warning(s)"));
    QCOMPARE(seen.filter("warning(s)").filter(QRegularExpression(", [1-9]")), QStringList());
}

void LauncherProcessTest::faultSwitchesAreCheckedAndUndone_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("on");
    QTest::addColumn<QByteArray>("answer"); // to turning it on
    QTest::addColumn<QByteArray>("apkUrl"); // then of an APK look-up; empty: the switch was refused
    QTest::addColumn<int>("atLeastMs");
    const QByteArray on = R"({"on": true})";
    QTest::newRow("unknown fault") << "diskFull" << on
                                   << QByteArray(R"(400 {"error":"unknown host fault \"diskFull\"; there are )"
                                                 R"(webHostUnreachable, rendererCrash, apkSlow, apkFailing, modedListFailing"})")
                                   << QByteArray() << 0;
    QTest::newRow("switch without on") << "apkFailing" << QByteArray("{}") << QByteArray(R"(400 {"error":"\"on\" is missing"})")
                                       << QByteArray() << 0;
    QTest::newRow("slow without a delay")
        << "apkSlow" << on << QByteArray(R"(400 {"error":"\"delayMs\" must be from 1 to 120000 (milliseconds) to turn apkSlow on"})")
        << QByteArray() << 0;
    QTest::newRow("failing")
        << "apkFailing" << on
        << QByteArray(R"(200 {"result":{"apkDelayMs":0,"apkFailing":true,"modedListFailing":false,"webHostUnreachable":false}})")
        << QByteArray(R"(200 {"result":""})") << 0;
    QTest::newRow("slow")
        << "apkSlow" << QByteArray(R"({"on": true, "delayMs": 500})")
        << QByteArray(R"(200 {"result":{"apkDelayMs":500,"apkFailing":false,"modedListFailing":false,"webHostUnreachable":false}})")
        << QByteArray(R"(200 {"result":"https://downloads.test/gamma.apk"})") << 500;
}

void LauncherProcessTest::faultSwitchesAreCheckedAndUndone()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, on);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, apkUrl);
    QFETCH(int, atLeastMs);
    const QByteArray lookup = R"(["com.test.gamma", true])";
    const int asked = calls("ISimulatorMgr", "requestApkUrl").size();
    QCOMPARE(call("POST", "control/fault/" + fault, on), answer);
    if (!apkUrl.isEmpty()) {
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(call("POST", "control/vornik/apkUrl", lookup), apkUrl);
        QVERIFY(waited.elapsed() >= atLeastMs);
        // The host was asked, and is well again once told so.
        QTRY_VERIFY_WITH_TIMEOUT(calls("ISimulatorMgr", "requestApkUrl").size() > asked, kTimeoutMs);
        QVERIFY(call("POST", "control/fault/" + fault, R"({"on": false})").startsWith("200 "));
        QCOMPARE(call("POST", "control/vornik/apkUrl", lookup), QByteArray(R"(200 {"result":"https://downloads.test/gamma.apk"})"));
    }
    // Refused before anything changed, or undone.
    QCOMPARE(call("GET", "control/fault"),
             QByteArray(R"(200 {"result":{"apkDelayMs":0,"apkFailing":false,"modedListFailing":false,"webHostUnreachable":false}})"));
}

void LauncherProcessTest::modedListFailsUntilToldOtherwise()
{
    const int announced = calls("ModedGameListener", "modedGameListChanged").size();
    QVERIFY(call("POST", "control/fault/modedListFailing", R"({"on": true})").startsWith("200 "));
    QVERIFY(call("POST", "control/event/country", R"({"code": "FR"})").startsWith("200 "));
    // Asked and refused: nothing to announce; the list comes with the plug-in's next try once the
    // server is well again.
    const QJsonValue inFrance = QJsonArray{QJsonObject{{"country", "FR"}}};
    QTRY_VERIFY_WITH_TIMEOUT(calls("WebService", "gameList").contains(inFrance), kTimeoutMs);
    QCOMPARE(calls("ModedGameListener", "modedGameListChanged").size(), announced);

    QVERIFY(call("POST", "control/fault/modedListFailing", R"({"on": false})").startsWith("200 "));
    QTRY_COMPARE_WITH_TIMEOUT(calls("ModedGameListener", "modedGameListChanged").size(), announced + 1, kTimeoutMs);
    const QJsonArray served = calls("WebService", "gameList");
    QCOMPARE(int(std::count(served.constBegin(), served.constEnd(), inFrance)), 2);
}

void LauncherProcessTest::pageComesBackAfterAnOutageAndACrash()
{
    QTRY_VERIFY_WITH_TIMEOUT(pageState()["ready"].toBool(), kTimeoutMs);
    QVERIFY(call("POST", "control/fault/webHostUnreachable", R"({"on": true})").startsWith("200 "));
    qint64 since = traffic().size();
    QCOMPARE(call("POST", "control/reload", ""), QByteArray(R"(200 {"result":true})"));
    QTRY_VERIFY_WITH_TIMEOUT(pageState()["offline"].toBool() && pageState()["ready"].toBool(), kTimeoutMs);
    // Refreshed as the page's own refresh does, the page was tried again before the plug-in gave up on it.
    const QStringList seen = traffic(since);
    const int refreshed = seen.indexOf(QRegularExpression("command notifyClientRefresh, .*"));
    QVERIFY2(refreshed >= 0 && seen.indexOf("load " + m_base, refreshed) > refreshed, qPrintable(seen.join('\n')));

    // Well again, the offline page's retry brings the page back.
    QVERIFY(call("POST", "control/fault/webHostUnreachable", R"({"on": false})").startsWith("200 "));
    QCOMPARE(call("POST", "control/reload", ""), QByteArray(R"(200 {"result":true})"));
    QTRY_COMPARE_WITH_TIMEOUT(pageState(), (QJsonObject{{"url", m_base}, {"loaded", true}, {"offline", false}, {"ready", true}}),
                              kTimeoutMs);

    // A renderer that crashed brings it back too.
    since = traffic().size();
    QCOMPARE(call("POST", "control/fault/rendererCrash", ""), QByteArray(R"(200 {"result":true})"));
    QTRY_VERIFY_WITH_TIMEOUT(traffic(since).contains("load " + m_base), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(pageState()["ready"].toBool(), kTimeoutMs);
    // What the user sees of it, at the size asked for.
    QCOMPARE(QImage::fromData(call("GET", "control/screenshot").mid(4), "PNG").size(), QSize(1100, 700));
    // And on the screen itself, not as the window paints itself into a picture: the console, on the
    // window's right, shows its rows. Once a native window that Qt 6 could not draw, it stayed black.
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1100, 700).toImage();
    QSet<QRgb> colours;
    for (int y = 50; y < 650; y += 3)
        for (int x = 760; x < 1080; x += 3)
            colours.insert(screen.pixel(x, y));
    QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
}

void LauncherProcessTest::pageOfOnesOwnIsShotOnceItSendsACommand_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("sends"); // given send(), which sends a command
    // No data-ready anywhere: its first command tells that its script is running.
    QTest::newRow("own page") << "900x600" << 0 << "page loaded online (file://" << "send()";
    // The console's catch-ups are spaced out; the picture is taken between two of them.
    QTest::newRow("own page that keeps talking") << "900x600" << 0 << "page loaded online (file://" << "setInterval(send, 5)";
    QTest::newRow("size without a height") << "900" << 2
                                           << R"(vornik-launcher: --size needs WIDTHxHEIGHT in pixels, each from 200 to 8192 (e.g. 1280x800), not "900")"
                                           << "send()";
}

void LauncherProcessTest::pageOfOnesOwnIsShotOnceItSendsACommand()
{
    QFETCH(QString, size);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, sends);
    QFile page(m_dir.filePath("own.html"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(QString(R"(<!DOCTYPE html><script src="qrc:///qtwebchannel/qwebchannel.js"></script>
<script>new QWebChannel(qt.webChannelTransport, (c) => { const send = () => c.objects.webBridge.dataChanged('{"event": "getLanguage"}'); %1; });</script>)")
                   .arg(sends).toUtf8());
    page.close();
    QProcess launcher;
    launcher.start(VORNIK_LAUNCHER_FILE, {"--url", QUrl::fromLocalFile(page.fileName()).toString(), "--size", size,
                                          "--screenshot", m_dir.filePath("own.png")});
    QVERIFY(launcher.waitForFinished(kTimeoutMs));
    QCOMPARE(launcher.exitCode(), exitCode);
    const QString output = QString::fromUtf8(exitCode == 0 ? launcher.readAllStandardOutput() : launcher.readAllStandardError());
    QVERIFY2(output.contains(said), qPrintable(output));
    if (exitCode != 0)
        return;
    QCOMPARE(QImage(m_dir.filePath("own.png")).size(), QSize(900, 600));
    // The picture's console titles, against what had happened when it was taken.
    const QRegularExpressionMatch counts =
        QRegularExpression(R"x((\d+) host calls so far, (\d+) page commands; .*"(\d+) call\(s\)" and "(\d+) command\(s\))x").match(output);
    QVERIFY2(counts.hasMatch(), qPrintable(output));
    QCOMPARE(counts.captured(3) + " calls, " + counts.captured(4) + " commands",
             counts.captured(1) + " calls, " + counts.captured(2) + " commands");
}

void LauncherProcessTest::logReadInPartsIsTheWholeLog()
{
    // A script that asks only for what it has not seen yet gets every entry once and in order,
    // while the host keeps making calls between its reads.
    QJsonArray polled;
    int since = 0;
    for (int read = 0; read < 4; ++read) {
        QCOMPARE(call("POST", "control/vornik/switchToGame", R"(["com.test.alpha", "mod-9", 3])"),
                 QByteArray(R"(200 {"result":null})"));
        const QByteArray answer = call("GET", QString("control/log?since=%1").arg(since));
        QVERIFY2(answer.startsWith("200 ["), answer.constData());
        for (const QJsonValue& entry : QJsonDocument::fromJson(answer.mid(4)).array())
            polled.append(entry);
        if (!polled.isEmpty())
            since = polled.at(polled.size() - 1)["seq"].toInt();
    }
    QVERIFY(polled.size() > 4);
    for (int i = 0; i < polled.size(); ++i)
        QCOMPARE(polled.at(i)["seq"].toInt(), i + 1);

    // The file, written on a thread of its own, has the same entries shortly after.
    QTRY_VERIFY_WITH_TIMEOUT(hostLog().size() >= polled.size(), kTimeoutMs);
    const QJsonArray written = hostLog();
    for (int i = 0; i < polled.size(); ++i)
        QCOMPARE(written.at(i), polled.at(i));
}

void LauncherProcessTest::memoryIsTheProcessInBytes()
{
    // A launcher with its page up holds tens of megabytes, megabytes of them on its heap: pages or
    // kilobytes would read as less.
    const QByteArray answer = call("GET", "control/memory");
    QVERIFY2(answer.startsWith("200 {"), answer.constData());
    const QJsonObject memory = QJsonDocument::fromJson(answer.mid(4))["result"].toObject();
    const double rss = memory["rss"].toDouble();
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's malloc keeps no counts of glibc's kind: the heap is left out, not zero.
    QVERIFY2(rss > 50e6 && !memory.contains("heapInUse") && !memory.contains("heapHeld"), answer.constData());
#else
    const double inUse = memory["heapInUse"].toDouble();
    QVERIFY2(rss > 50e6 && inUse > 2e6 && inUse < rss && inUse <= memory["heapHeld"].toDouble(), answer.constData());
#endif
}

void LauncherProcessTest::quitEndsTheProcessCleanly()
{
    QCOMPARE(call("POST", "control/quit", ""), QByteArray(R"(200 {"result":true})"));

    QTRY_COMPARE_WITH_TIMEOUT(m_launcher.state(), QProcess::NotRunning, kTimeoutMs);
    QCOMPARE(m_launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_launcher.exitCode(), 0);

    // One JSON object per line, numbered without gaps.
    const QJsonArray entries = hostLog();
    QVERIFY(!entries.isEmpty());
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries.at(i).toObject().value("seq").toInt(), i + 1);
}

VORNIK_TEST_MAIN(LauncherProcessTest)
#include "tst_launcherprocess.moc"
