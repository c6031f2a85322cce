// The built launcher as a separate process, driven only through its control API, with the
// assertions made on the host call log it writes (--host-log). What the page does is seen through
// what it asks of the launcher: its web service records every game list request, and the demo
// page asks for the list again, in the new language, only when "updateLanguage" has reached it.
// A second launcher shows a test page that makes every mistake of the page protocol, and its
// traffic (/control/traffic) says what each command will do wrong.

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "testmain.h"

static constexpr int kTimeoutMs = 60000;

namespace {

// Starts the launcher with the arguments; its base address once it says where it serves, or
// empty.
QString startLauncher(QProcess* launcher, const QStringList& arguments)
{
    // The launcher's own log lines help when something here fails.
    launcher->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    launcher->start(VORNIK_LAUNCHER_FILE, QStringList{"--port", "0"} + arguments);
    if (!launcher->waitForStarted(kTimeoutMs))
        return QString();
    if (!QTest::qWaitFor([launcher] { return launcher->canReadLine() || launcher->state() == QProcess::NotRunning; },
                         kTimeoutMs))
        return QString();
    const QString line = QString::fromUtf8(launcher->readLine()).trimmed();
    const QRegularExpressionMatch match = QRegularExpression(R"(^serving (http://127\.0\.0\.1:\d+/)$)").match(line);
    if (!match.hasMatch())
        qWarning() << "the launcher said" << line;
    return match.captured(1);
}

} // namespace

class LauncherProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void modedGameListIsServedRequestedAndAnnounced();
    void gameActionReachesTheGameLibrary();
    void languageChangeReachesThePage();
    void logReadInPartsIsTheWholeLog();
    void pageMistakesAreFlagged_data();
    void pageMistakesAreFlagged();
    void quitEndsTheProcessCleanly();

private:
    // "STATUS BODY" of the launcher's answer; from the launcher at base, if one is given.
    QByteArray call(const QByteArray& method, const QString& path, const QByteArray& body = QByteArray(),
                    const QString& base = QString());
    // The host log file as written so far.
    QJsonArray hostLog() const;
    // The arguments of each call of that operation, in order.
    QJsonArray calls(const char* iface, const char* op) const;

    QTemporaryDir m_dir;
    QProcess m_launcher;
    QNetworkAccessManager m_network;
    QString m_base;
    // The launcher that shows the page of mistakes, and its traffic after it made them.
    QProcess m_pageLauncher;
    QString m_pageBase;
    QJsonArray m_mistakes;
};

void LauncherProcessTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile profile(m_dir.filePath("profile.json"));
    // Both records as written, whatever their JSON types; an APK address for the first only.
    const QByteArray json = R"({"language": "en", "countryCode": "DE",
        "apkUrls": {"com.test.alpha": "https://downloads.test/alpha.apk"},
        "modedGames": [{"id": "a1", "packageName": "com.test.alpha", "name": "Alpha"},
                       {"id": 2, "packageName": "com.test.beta", "name": "Beta", "extra": [1]}]})";
    QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(json) == json.size());
    profile.close();
    m_network.setProxy(QNetworkProxy::NoProxy);

    m_base = startLauncher(&m_launcher, {"--profile", profile.fileName(), "--host-log", m_dir.filePath("host.jsonl")});
    QVERIFY2(!m_base.isEmpty(), qPrintable(m_launcher.errorString()));
}

void LauncherProcessTest::cleanupTestCase()
{
    if (m_pageLauncher.state() != QProcess::NotRunning) {
        call("POST", "control/quit", "", m_pageBase);
        if (!m_pageLauncher.waitForFinished(kTimeoutMs))
            m_pageLauncher.kill();
        QCOMPARE(m_pageLauncher.exitCode(), 0);
    }
    // Only when a test failed before the launcher was asked to quit.
    if (m_launcher.state() != QProcess::NotRunning) {
        m_launcher.kill();
        m_launcher.waitForFinished(kTimeoutMs);
    }
}

void LauncherProcessTest::modedGameListIsServedRequestedAndAnnounced()
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
}

void LauncherProcessTest::gameActionReachesTheGameLibrary()
{
    // A refusal reaches the caller as one.
    const QByteArray refused = call("POST", "control/vornik/switchToGame", R"(["com.test.alpha"])");
    QVERIFY2(refused.startsWith("400 ") && refused.contains("takes 3"), refused.constData());

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

    const QByteArray whole = call("GET", "control/log");
    QVERIFY2(whole.startsWith("200 ["), whole.constData());
    const QJsonArray all = QJsonDocument::fromJson(whole.mid(4)).array();
    QVERIFY(all.size() >= polled.size());
    // The file, written on a thread of its own, has the same entries shortly after.
    QTRY_VERIFY_WITH_TIMEOUT(hostLog().size() >= polled.size(), kTimeoutMs);
    const QJsonArray written = hostLog();
    for (int i = 0; i < polled.size(); ++i) {
        QCOMPARE(all.at(i), polled.at(i));
        QCOMPARE(written.at(i), polled.at(i));
    }
}

void LauncherProcessTest::pageMistakesAreFlagged_data()
{
    QTest::addColumn<QString>("name"); // the command's "case"
    QTest::addColumn<QString>("warnings"); // joined by " | "; #FIRST: the seq of the name's first use

    QTest::newRow("right") << "right" << "";
    QTest::newRow("unknown event") << "unknown event" << R"(unknown event "getLangauge": the plug-in does nothing with it)";
    QTest::newRow("data of the wrong type") << "data of the wrong type" << R"("data" is a string; getVmList reads an object)";
    QTest::newRow("key of the wrong type") << "key of the wrong type"
                                           << R"("data.direction" is a string; changeBannerBackgroundImage reads an integer)";
    QTest::newRow("reply without callbackEvent") << "reply without callbackEvent"
                                                 << R"(no "callbackEvent": the reply of getUserToken goes nowhere)";
    QTest::newRow("reused callback") << "reused callback"
                                     << R"(callback name "twice" reused while command #FIRST still waits for its reply: )"
                                        "the page cannot tell the replies apart";
    QTest::newRow("not JSON") << "not JSON" << "not a JSON object: the plug-in drops it unread";
    QTest::newRow("a log line") << "done" << "";
}

void LauncherProcessTest::pageMistakesAreFlagged()
{
    QFETCH(QString, name);
    QFETCH(QString, warnings);

    if (m_mistakes.isEmpty()) {
        m_pageBase = startLauncher(&m_pageLauncher,
                                   {"--url", QUrl::fromLocalFile(VORNIK_TEST_PAGES "/protocol-mistakes.html").toString()});
        QVERIFY2(!m_pageBase.isEmpty(), qPrintable(m_pageLauncher.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(call("GET", "control/page", "", m_pageBase).contains(R"("ready":true)"), kTimeoutMs);
        // Read in parts, as a script polls. The plug-in loads the page twice at start: should the
        // request reach the page that goes, it is asked again.
        QElapsedTimer asked;
        qint64 since = 0;
        const bool done = QTest::qWaitFor(
            [&] {
                if (!asked.isValid() || asked.elapsed() > 10000) {
                    call("POST", "control/vornik/sendToPage", R"([8, "makeMistakes", {}])", m_pageBase);
                    asked.start();
                }
                const QByteArray answer = call("GET", QString("control/traffic?since=%1").arg(since), "", m_pageBase);
                for (const QJsonValue& entry : QJsonDocument::fromJson(answer.mid(4)).array()) {
                    since = entry["seq"].toInt();
                    m_mistakes.append(entry);
                }
                return answer.contains(R"(\"case\":\"done\")");
            },
            kTimeoutMs);
        QVERIFY(done);
        // Every entry once, in order.
        for (int i = 0; i < m_mistakes.size(); ++i)
            QCOMPARE(m_mistakes.at(i)["seq"].toInt(), i + 1);
        // The plug-in's answer is there too, stamped when it was handed to the page.
        QTRY_VERIFY_WITH_TIMEOUT(call("GET", "control/traffic", "", m_pageBase).contains(R"("event":"vm#1")"),
                                 kTimeoutMs);
    }

    // The latest command of each case, and the seq of the name's first use before it.
    QJsonObject command;
    qint64 first = 0;
    const QRegularExpression caseKey(R"re("case":\s*"([^"]+)")re");
    for (const QJsonValue& entry : qAsConst(m_mistakes)) {
        const QString nameSent = caseKey.match(entry["text"].toString()).captured(1);
        if (nameSent == name)
            command = entry.toObject();
        if (nameSent == "first of a name")
            first = entry["seq"].toInt();
    }
    QVERIFY2(!command.isEmpty(), "the page did not send it");
    QCOMPARE(command["kind"].toString(), QString("command"));
    QVERIFY(command["time"].toDouble() > 0);
    QStringList got;
    for (const QJsonValue& warning : command["warnings"].toArray())
        got.append(warning.toString());
    QCOMPARE(got.join(" | "), QString(warnings).replace("#FIRST", QString("#%1").arg(first)));
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

QByteArray LauncherProcessTest::call(const QByteArray& method, const QString& path, const QByteArray& body,
                                     const QString& base)
{
    QNetworkRequest request(QUrl((base.isEmpty() ? m_base : base) + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
    if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, kTimeoutMs))
        reply->abort();
    reply->deleteLater();
    return QByteArray::number(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()) + ' '
        + reply->readAll();
}

QJsonArray LauncherProcessTest::hostLog() const
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

QJsonArray LauncherProcessTest::calls(const char* iface, const char* op) const
{
    QJsonArray calls;
    for (const QJsonValue& entry : hostLog()) {
        if (entry["iface"] == QLatin1String(iface) && entry["op"] == QLatin1String(op))
            calls.append(entry["args"]);
    }
    return calls;
}

VORNIK_TEST_MAIN(LauncherProcessTest)
#include "tst_launcherprocess.moc"
