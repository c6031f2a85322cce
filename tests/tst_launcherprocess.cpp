// The built launcher as a separate process, driven only through its control API, with the
// assertions made on the host call log it writes (--host-log). What the page does is seen through
// what it asks of the launcher: its web service records every game list request, and the demo
// page asks for the list again, in the new language, only when "updateLanguage" has reached it.

#include <QDir>
#include <QEventLoop>
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

namespace {

constexpr int kTimeoutMs = 60000;

// Kept below the test class: moc misreads a raw string that comes before it.
QByteArray testProfile();

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
    void badRequestIsRefusedOverTheWire();
    void quitEndsTheProcessCleanly();

private:
    // The answer's JSON (an object or array); *status gets the HTTP status.
    QJsonValue call(const QByteArray& method, const QString& path, const QByteArray& body, int* status);
    // The host log file as written so far.
    QJsonArray hostLog() const;
    // Whether some entry has that interface, operation and arguments.
    bool logged(const char* iface, const char* op, const QJsonArray& args) const;
    bool pageReady();

    QTemporaryDir m_dir;
    QProcess m_launcher;
    QNetworkAccessManager m_network;
    QString m_base;
};

void LauncherProcessTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile profile(m_dir.filePath(QStringLiteral("profile.json")));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write(testProfile());
    profile.close();
    m_network.setProxy(QNetworkProxy::NoProxy);

    // The launcher's own log lines help when something here fails.
    m_launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_launcher.start(QStringLiteral(VORNIK_LAUNCHER_FILE),
                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--profile"), profile.fileName(),
                      QStringLiteral("--host-log"), m_dir.filePath(QStringLiteral("host.jsonl"))});
    QVERIFY2(m_launcher.waitForStarted(kTimeoutMs), qPrintable(m_launcher.errorString()));

    const QRegularExpression serving(QStringLiteral("^serving (http://127\\.0\\.0\\.1:\\d+/)$"));
    QTRY_VERIFY_WITH_TIMEOUT(m_launcher.canReadLine() || m_launcher.state() == QProcess::NotRunning, kTimeoutMs);
    const QString line = QString::fromUtf8(m_launcher.readLine()).trimmed();
    const QRegularExpressionMatch match = serving.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
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

void LauncherProcessTest::modedGameListIsServedRequestedAndAnnounced()
{
    // Announced: the listener the launcher subscribed heard of both records, in the reply's order.
    QTRY_VERIFY_WITH_TIMEOUT(logged("ModedGameListener", "modedGameListChanged",
                                    {2, QJsonArray{"com.test.alpha", "com.test.beta"}}),
                             kTimeoutMs);
    // Requested through the host's HTTP service, from the launcher's own web service, for the
    // profile's country.
    QStringList requested;
    for (const QJsonValue& entry : hostLog()) {
        if (entry.toObject().value("op") == "sendRequest")
            requested << entry.toObject().value("args").toArray().at(0).toObject().value("url").toString();
    }
    QCOMPARE(requested, QStringList{m_base + "api/game/list?country=DE"});
    // Served: the web service answered that request.
    QVERIFY(logged("WebService", "gameList", {QJsonObject{{"country", "DE"}}}));

    int status = 0;
    const QJsonValue list = call("GET", QStringLiteral("api/game/list"), QByteArray(), &status);
    QCOMPARE(status, 200);
    QCOMPARE(QJsonDocument(list.toObject()).toJson(QJsonDocument::Compact),
             QByteArray(R"({"data":[{"id":"a1","name":"Alpha","packageName":"com.test.alpha"},)"
                        R"({"extra":[1],"id":2,"name":"Beta","packageName":"com.test.beta"}]})"));
}

void LauncherProcessTest::gameActionReachesTheGameLibrary()
{
    int status = 0;
    const QJsonValue answer = call("POST", QStringLiteral("control/vornik/switchToGame"),
                                   R"(["com.test.alpha", "mod-9", 3])", &status);
    QCOMPARE(status, 200);
    QCOMPARE(answer.toObject(), (QJsonObject{{QStringLiteral("result"), QJsonValue()}}));
    QTRY_VERIFY_WITH_TIMEOUT(logged("IMyGame", "showPage", {8}), kTimeoutMs);

    // The plug-in's list as the host reads it: the record whose id was a number in the reply has
    // none, and the APK addresses arrive as the host's look-ups answer.
    const auto games = [this] {
        int status = 0;
        const QJsonValue answer = call("POST", QStringLiteral("control/vornik/modedGameList"), "[]", &status);
        const QJsonArray records = answer.toObject().value(QStringLiteral("result")).toArray();
        return QJsonDocument(records).toJson(QJsonDocument::Compact);
    };
    QTRY_COMPARE_WITH_TIMEOUT(games(),
                              QByteArray(R"([{"apkUrl":"https://downloads.test/alpha.apk","id":"a1","name":"Alpha",)"
                                         R"("packageName":"com.test.alpha"},)"
                                         R"({"apkUrl":"","id":"","name":"Beta","packageName":"com.test.beta"}])"),
                              kTimeoutMs);
}

void LauncherProcessTest::languageChangeReachesThePage()
{
    // Pushes sent before the page's script has connected are lost.
    QTRY_VERIFY_WITH_TIMEOUT(pageReady(), kTimeoutMs);
    QVERIFY(!logged("WebService", "gameList", {QJsonObject{{"lang", "de"}}}));

    int status = 0;
    const QJsonValue answer = call("POST", QStringLiteral("control/event/language"), R"({"code": "de"})", &status);
    QCOMPARE(status, 200);
    QCOMPARE(answer.toObject(), (QJsonObject{{QStringLiteral("result"), true}}));

    QTRY_VERIFY_WITH_TIMEOUT(logged("WebService", "gameList", {QJsonObject{{"lang", "de"}}}), kTimeoutMs);
}

void LauncherProcessTest::badRequestIsRefusedOverTheWire()
{
    const int entries = hostLog().size();
    int status = 0;
    const QJsonValue answer = call("POST", QStringLiteral("control/vornik/switchToGame"), R"(["com.test.alpha"])",
                                   &status);
    QCOMPARE(status, 400);
    QVERIFY(answer.toObject().value(QStringLiteral("error")).toString().contains(QStringLiteral("takes 3")));
    // The service's own threads hand over to the launcher's GUI thread; once it answers this, the
    // refused request would have been recorded if it had been carried out.
    call("GET", QStringLiteral("control/log"), QByteArray(), &status);
    QCOMPARE(hostLog().size(), entries);
}

void LauncherProcessTest::quitEndsTheProcessCleanly()
{
    int status = 0;
    const QJsonValue answer = call("POST", QStringLiteral("control/quit"), QByteArray(""), &status);
    QCOMPARE(status, 200);
    QCOMPARE(answer.toObject(), (QJsonObject{{QStringLiteral("result"), true}}));

    QTRY_COMPARE_WITH_TIMEOUT(m_launcher.state(), QProcess::NotRunning, kTimeoutMs);
    QCOMPARE(m_launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_launcher.exitCode(), 0);

    // One JSON object per line, numbered without gaps.
    const QJsonArray entries = hostLog();
    QVERIFY(!entries.isEmpty());
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries.at(i).toObject().value(QStringLiteral("seq")).toInt(), i + 1);
}

QJsonValue LauncherProcessTest::call(const QByteArray& method, const QString& path, const QByteArray& body, int* status)
{
    QNetworkRequest request(QUrl(m_base + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
    if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, kTimeoutMs))
        reply->abort();
    *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    reply->deleteLater();
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

QJsonArray LauncherProcessTest::hostLog() const
{
    QFile file(m_dir.filePath(QStringLiteral("host.jsonl")));
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

bool LauncherProcessTest::logged(const char* iface, const char* op, const QJsonArray& args) const
{
    for (const QJsonValue& entry : hostLog()) {
        const QJsonObject object = entry.toObject();
        if (object.value(QStringLiteral("iface")).toString() == QLatin1String(iface)
            && object.value(QStringLiteral("op")).toString() == QLatin1String(op)
            && object.value(QStringLiteral("args")).toArray() == args)
            return true;
    }
    return false;
}

bool LauncherProcessTest::pageReady()
{
    int status = 0;
    return call("GET", QStringLiteral("control/page"), QByteArray(), &status)
        .toObject()
        .value(QStringLiteral("ready"))
        .toBool();
}

namespace {

QByteArray testProfile()
{
    return R"({
  "language": "en",
  "countryCode": "DE",
  "account": {"loggedIn": true, "email": "tester@example.com", "userId": "tester-1", "token": "t-1"},
  "instances": [{"id": "0", "name": "Main", "type": "pie64", "apps": ["com.test.alpha"]}],
  "apkUrls": {"com.test.alpha": "https://downloads.test/alpha.apk"},
  "modedGames": [
    {"id": "a1", "packageName": "com.test.alpha", "name": "Alpha"},
    {"id": 2, "packageName": "com.test.beta", "name": "Beta", "extra": [1]}
  ]
})";
}

} // namespace

VORNIK_TEST_MAIN(LauncherProcessTest)
#include "tst_launcherprocess.moc"
