// The launcher's web site and control API as scripts and pages reach them, without sockets: they
// refuse bad input and strange callers before anything changes, and carry out good input exactly.
// Also the host profile loader, which must refuse a malformed file and say what is wrong, the
// calls into the service library the launcher's log records, the console's lists, and the page
// protocol check: its warnings, and its table against the one in docs/PAGE_PROTOCOL.md and the
// page's type declarations, which must hold the pages to the protocol.
// What only a running launcher shows (the served list, quitting) is in tst_launcherprocess.

#include "launcher/console/consoleview.h"
#include "launcher/service/controlapi.h"
#include "hostcalllog.h"
#include "launcher/console/hostcallmodel.h"
#include "launcher/console/hostconsole.h"
#include "launcher/host/hostevents.h"
#include "launcher/host/hostfaults.h"
#include "ivornik.h"
#include "kevent.h"
#include "klauncher.h"
#include "language.h"
#include "launcher/app/launcherprofile.h"
#include "launcher/service/launchersite.h"
#include "launcher/app/messageoutput.h"
#include "launcher/page/pageprotocol.h"
#include "pagecommand.h"
#include "launcher/page/pagetraffic.h"
#include "launcher/page/pagewatcher.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "standinsetting.h"
#include "launcher/service/webservice.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>

#include "testmain.h"

namespace {

// Stands in for the plug-in: notes every IVornik call as "op(arg,...)" and every event posted to it.
class FakeVornik : public QObject, public IVornik
{
public:
    QStringList calls;
    QStringList events;

    bool event(QEvent* event) override
    {
        if (auto* change = dynamic_cast<CountryCodeChangeEvent*>(event))
            events.append("country:" + change->countryCode);
        else if (event->type() >= QEvent::User)
            events.append(QString::number(event->type()));
        return QObject::event(event);
    }
    template <typename... Args>
    void note(const char* op, const Args&... args)
    {
        const QStringList texts{QVariant(args).toString()...};
        calls << QString("%1(%2)").arg(op, texts.join(','));
    }

    void createView(int, const QString&, QWidget*) override { note("createView"); }
    void startDomainTest(int type) override { note("startDomainTest", type); }
    void sendToPage(int mask, const QString& event, const QJsonObject& data) override
    {
        note("sendToPage", mask, event, QJsonDocument(data).toJson(QJsonDocument::Compact));
    }
    void realSearch(const QString& query, const QVariant& context) override { note("realSearch", query, context); }
    void gotoSearch(const QString& query) override { note("gotoSearch", query); }
    void languageChanged(const QString& code) override { note("languageChanged", code); }
    void setViewsVisible(bool visible) override { note("setViewsVisible", visible); }
    void modedGameListDocument(const QJsonObject&) override { note("modedGameListDocument"); }
    bool routeToPage(int type, bool force) override { note("routeToPage", type, force); return type == 8; }
    void pushInstalledApps() override { note("pushInstalledApps"); }
    const QString& emptyText() override { static const QString empty; note("emptyText"); return empty; }
    void updateOneButtonConfig(int value) override { note("updateOneButtonConfig", value); }
    void switchToGame(const QString& p, const QString& m, int from) override { note("switchToGame", p, m, from); }
    void setupMod(const QString& p, const QString& m, const QString& name) override { note("setupMod", p, m, name); }
    ModedGameList* modedGameList() override { note("modedGameList"); return nullptr; }
    QString apkUrl(const QString& p, bool wait) override { note("apkUrl", p, wait); return "https://apk.test/" + p; }
    void addModedGameListListener(QObject*) override { note("addModedGameListListener"); }
    bool isAvailable() override { note("isAvailable"); return false; }
};

// What the launcher puts around its site, declared so that it is torn down in reverse.
struct Rig
{
    explicit Rig(const HostProfile& profile) : host(profile, &log)
    {
        host.applyProfile();
        host.recordServiceCalls();
        host.setting()->addSettingListener(&vornik);
        site.setPort(8765);
        log.clear();
    }
    HostCallLog log;
    FakeVornik vornik;
    StandInHost host;
    HostEvents events{&host, &vornik};
    PageTraffic traffic;
    int quits = 0;
    ControlApi api{&events, &vornik, &log, {[this] { ++quits; }, {}, &traffic}};
    LauncherSite site{"/nonexistent", &host.profile(), &log, &api};
};

// "METHOD /path[?query] [Host=...] [Origin=...]": a script's request on the launcher's port unless
// it says.
HttpRequest request(const QString& line, const QString& body)
{
    const QStringList parts = line.split(' ');
    HttpRequest request;
    request.method = parts.at(0).toLatin1();
    request.path = parts.at(1).section('?', 0, 0);
    for (const auto& [key, value] : QUrlQuery(parts.at(1).section('?', 1)).queryItems(QUrl::FullyDecoded))
        request.query.insert(key, value);
    request.body = body.toUtf8();
    request.host = "127.0.0.1:8765";
    for (const QString& header : parts.mid(2))
        (header.startsWith("Host=") ? request.host : request.origin) = header.section('=', 1).toLatin1();
    return request;
}

// The seq in the first column of a console row.
qint64 seqAt(QTreeView* view, int row)
{
    return view->model()->index(row, HostCallModel::SeqColumn).data().toLongLong();
}

// What the test page's window.run(body) came to: the JSON of what body returned, or "code:
// message" of what it threw. page: the test page (tests/pages/client.html), loaded afresh unless
// it is the one already shown.
QString runInPage(QWebEnginePage* page, const QString& body)
{
    evaluate(page, QString("window.run(%1[0]); true").arg(compactJson(QJsonArray{body})));
    QString result;
    (void)QTest::qWaitFor([&] {
        result = evaluate(page, "window.result === undefined ? null : String(window.result)").toString();
        return !result.isEmpty();
    }, 60000);
    return result.isEmpty() ? QString("(no outcome)") : result;
}

// The test page and the client's files, served as a page team's server would serve them (a module
// loads only over HTTP), by the launcher's own site; and a page of its own to show them.
struct ServedClient
{
    ServedClient()
    {
        for (const char* name : {"vornik-client.js", "vornik-client-module.js", "vornik-protocol.js"})
            QFile::copy(VORNIK_SOURCE_DIR "/host/www/" + QString(name), folder.filePath(name));
        QFile::copy(VORNIK_TEST_PAGES "/client.html", folder.filePath("client.html"));
        QString error;
        if (!service.bind(0, &error))
            qFatal("%s", qPrintable(error));
        site.setPort(service.port());
        service.start([this](const HttpRequest& request) { return site.handle(request); });
        view->resize(320, 240);
        view->show();
    }
    // Torn down in reverse: the view, then the service, before what it serves.
    QTemporaryDir folder;
    Rig rig{HostProfile()};
    LauncherSite site{folder.path(), &rig.host.profile(), &rig.log, &rig.api};
    WebService service;
    // Shown: the engine slows the timers of a hidden page to one a second, and the mock paces its
    // answers with timers as a page team's browser tab, in front, would run them.
    std::unique_ptr<QWebEngineView> view = std::make_unique<QWebEngineView>();
};
// Gone before the application, whose web engine profile must outlive its pages.
std::unique_ptr<ServedClient> g_served;

// The served test page, loaded afresh: no client loaded, no connection.
QWebEnginePage* freshClientPage()
{
    if (!g_served)
        g_served = std::make_unique<ServedClient>();
    QWebEnginePage* page = g_served->view->page();
    evaluate(page, "window.ready = false; true");
    page->load(QUrl(g_served->service.baseUrl() + "client.html"));
    (void)QTest::qWaitFor([page] { return evaluate(page, "window.ready === true").toBool(); }, 60000);
    return page;
}

} // namespace

class LauncherApiTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase() { g_served.reset(); }

    void requestDoesWhatItSaysOrNothing_data();
    void requestDoesWhatItSaysOrNothing();
    void eventsReachTheHost();
    void serviceCallsAreRecorded();
    void logKeepsItsTextsWithinItsLimit();
    void slowStandardErrorCostsBoundedMemory();

    void profileFile_data();
    void profileFile();

    void consoleFollowsTheLog_data();
    void consoleFollowsTheLog();
    void consoleShowsThePageTrafficAndTheFaults();
    void callText_data();
    void callText();

    void protocolCheck_data();
    void protocolCheck();
    void protocolTableIsTheDocumentedOne();
    void pagesTypeCheck_data();
    void pagesTypeCheck();
    void clientReportsMistakes_data();
    void clientReportsMistakes();
    void clientAnswersAlikeInLauncherAndMock();

private:
    std::unique_ptr<Rig> m_rig;
    // What the log holds when a test starts.
    QByteArray m_history;
};

void LauncherApiTest::init()
{
    m_rig.reset();
    m_rig = std::make_unique<Rig>(HostProfile::fromJson(R"({"language": "en", "countryCode": "US",
        "oneButtonConfig": 1, "account": {"loggedIn": true, "email": "before@example.com"}})", nullptr));
    // After the set-up's one call, which the rig cleared away: seq 2 to 4.
    m_rig->log.record("IMyGame", "showPage", {8});
    m_rig->log.record("ISetting", "oneButtonConfig");
    m_rig->log.record("IHttpDaoMgr", "removeHandle", {true});
    m_history = m_rig->log.jsonAfter(0, m_rig->log.lastSeq());
    for (const char* language : {"de", "fr"})
        m_rig->traffic.recordMessage({{"event", "updateLanguage"}, {"page", 8}, {"data", QJsonObject{{"language", language}}},
                                      {"stamp", 1700000000000.0}});
}

void LauncherApiTest::requestDoesWhatItSaysOrNothing_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("answer"); // a refusal: part of its message; else the answer and the IVornik call

    const QString op = "POST /control/vornik/";
    const QString event = "POST /control/event/";
    QTest::newRow("unknown operation") << op + "launchRocket" << "[]" << 400 << R"(unknown operation "launchRocket")";
    QTest::newRow("takes a widget") << op + "createView" << R"([8, "x", null])" << 400 << "called by the launcher itself";
    QTest::newRow("too few arguments") << op + "switchToGame" << R"(["a", "m"])" << 400 << "takes 3 argument(s), not 2";
    QTest::newRow("too many arguments") << op + "gotoSearch" << R"(["racer", 1])" << 400 << "takes 1 argument(s), not 2";
    QTest::newRow("fraction") << op + "routeToPage" << "[8.5, true]" << 400 << "argument 1 must be of type integer";
    QTest::newRow("INT_MAX + 1") << op + "startDomainTest" << "[2147483648]" << 400
                                 << "argument 1 must be of type integer";
    QTest::newRow("number as bool") << op + "setViewsVisible" << "[1]" << 400 << "argument 1 must be of type boolean";
    QTest::newRow("array as object") << op + "sendToPage" << R"([8, "hi", []])" << 400
                                     << "argument 3 must be of type object";
    QTest::newRow("object for the arguments") << op + "gotoSearch" << R"({"q": 1})" << 400 << "must be a JSON array";
    QTest::newRow("malformed arguments") << op + "gotoSearch" << R"(["racer",)" << 400 << "not valid JSON";
    QTest::newRow("a key repeated over an object") << event + "account" << R"({"user":{"id":1},"user":{}})" << 400
                                                   << "names a key twice";
    QTest::newRow("operation by GET") << "GET /control/vornik/isAvailable" << "" << 405 << "takes POST";
    QTest::newRow("quit by GET") << "GET /control/quit" << "" << 405 << "takes POST";
    QTest::newRow("event without body") << event + "country" << "" << 400 << "must be JSON and is empty";
    QTest::newRow("event body an array") << event + "language" << R"(["de"])" << 400 << "must be a JSON object";
    QTest::newRow("unknown event") << event + "weather" << "{}" << 400 << R"(unknown host event "weather")";
    QTest::newRow("language without code") << event + "language" << "{}" << 400 << R"("code" is missing)";
    QTest::newRow("empty language code") << event + "language" << R"({"code": ""})" << 400 << "must not be empty";
    QTest::newRow("misspelt account key") << event + "account" << R"({"loggedIn": true, "mail": "x@example.com"})"
                                          << 400 << R"(unknown key "mail")";
    QTest::newRow("account flag as text") << event + "account" << R"({"loggedIn": "yes"})" << 400
                                          << R"("loggedIn" must be a boolean)";
    QTest::newRow("country code a number") << event + "country" << R"({"code": 49})" << 400
                                           << R"("code" must be a string)";
    QTest::newRow("strategy as text") << event + "strategy" << R"({"oneButtonConfig": "2"})" << 400
                                      << R"("oneButtonConfig" must be an integer)";
    // Who may ask at all: not pages of other sites, nor pages that rebind their own name to 127.0.0.1.
    QTest::newRow("page on another local port") << "GET /control/log Origin=http://127.0.0.1:9000" << "" << 403
                                                << "does not answer pages of http://127.0.0.1:9000";
    QTest::newRow("own page by name") << "GET /control/log?since=4 Host=localhost:8765 Origin=http://localhost:8765"
                                      << "" << 200 << "[]";
    QTest::newRow("other port in Host") << "GET /api/game/list Host=127.0.0.1:80" << "" << 421
                                        << "only to 127.0.0.1:8765";
    QTest::newRow("path out of the folder") << "GET /../host/www/index.html" << "" << 404 << "no such file";
    const QString log = "GET /control/log";
    QTest::newRow("log after a word") << log + "?since=latest" << "" << 400 << R"("since" must be the seq of an entry)";
    QTest::newRow("log after a negative") << log + "?since=-1" << "" << 400 << R"(not "-1")";
    QTest::newRow("log after a signed seq") << log + "?since=%2B2" << "" << 400 << R"(not "+2")";
    QTest::newRow("log after nothing") << log + "?since=" << "" << 400 << R"(not "")";
    QTest::newRow("log after a fraction") << log + "?since=2.0" << "" << 400 << R"(not "2.0")";
    QTest::newRow("log after 2^63") << log + "?since=9223372036854775808" << "" << 400 << "whole number";
    QTest::newRow("log by another parameter") << log + "?after=2" << "" << 400 << R"(unknown parameter "after")";
    QTest::newRow("log by POST") << "POST /control/log" << "" << 405 << "takes GET";
    const QString traffic = "GET /control/traffic";
    QTest::newRow("traffic after a word") << traffic + "?since=x" << "" << 400 << R"(not "x")";
    QTest::newRow("traffic by another parameter") << traffic + "?after=1" << "" << 400
                                                  << R"("after"; /control/traffic takes since)";
    QTest::newRow("traffic by POST") << "POST /control/traffic" << "" << 405 << "takes GET";

    QTest::newRow("from travels as a number") << op + "switchToGame" << R"(["com.a", "m9", 3])" << 200
                                              << R"({"result":null} switchToGame(com.a,m9,3))";
    QTest::newRow("boolean answer") << op + "routeToPage" << "[8, false]" << 200
                                    << R"({"result":true} routeToPage(8,false))";
    QTest::newRow("no body, no arguments") << op + "isAvailable" << "" << 200 << R"({"result":false} isAvailable())";
    QTest::newRow("any JSON as search context") << op + "realSearch" << R"(["rac", "ctx-1"])" << 200
                                                << R"({"result":null} realSearch(rac,ctx-1))";
    QTest::newRow("string answer") << op + "apkUrl" << R"(["com.a", true])" << 200
                                   << R"({"result":"https://apk.test/com.a"} apkUrl(com.a,true))";

    // The log holds seq 2 to 4; seq 1 was cleared away.
    const QString whole = R"([{"args":[8],"iface":"IMyGame","op":"showPage","seq":2},)"
                          R"({"args":[],"iface":"ISetting","op":"oneButtonConfig","seq":3},)"
                          R"({"args":[true],"iface":"IHttpDaoMgr","op":"removeHandle","seq":4}])";
    QTest::newRow("whole log") << log << "" << 200 << whole;
    QTest::newRow("log after a seq") << log + "?since=3" << "" << 200
                                     << R"([{"args":[true],"iface":"IHttpDaoMgr","op":"removeHandle","seq":4}])";
    QTest::newRow("log after the latest") << log + "?since=4" << "" << 200 << "[]";
    QTest::newRow("log after one not made yet") << log + "?since=99" << "" << 200 << "[]";
    QTest::newRow("log after one cleared away") << log + "?since=1" << "" << 200 << whole;
    QTest::newRow("log after zero") << log + "?since=0" << "" << 200 << whole;
    // The traffic holds the two messages of the set-up.
    const QString second = R"({"kind":"message","message":{"data":{"language":"fr"},"event":"updateLanguage",)"
                           R"("page":8,"stamp":1700000000000},"seq":2,"time":1700000000000})";
    QTest::newRow("traffic after a seq") << traffic + "?since=1" << "" << 200 << "[" + second + "]";
    QTest::newRow("whole traffic") << traffic << "" << 200
                                   << R"([{"kind":"message","message":{"data":{"language":"de"},"event":"updateLanguage",)"
                                      R"("page":8,"stamp":1700000000000},"seq":1,"time":1700000000000},)" + second + "]";
}

void LauncherApiTest::requestDoesWhatItSaysOrNothing()
{
    QFETCH(QString, line);
    QFETCH(QString, body);
    QFETCH(int, status);
    QFETCH(QString, answer);

    const HttpResponse response = m_rig->site.handle(request(line, body));
    QCoreApplication::sendPostedEvents();

    QCOMPARE(response.status, status);
    QCOMPARE(response.contentType, QByteArray("application/json; charset=utf-8"));
    if (status == 200) {
        QCOMPARE(QStringList(response.content()) + m_rig->vornik.calls, answer.split(' '));
    } else {
        const QString error = QJsonDocument::fromJson(response.content()).object().value("error").toString();
        QVERIFY2(error.contains(answer), qPrintable(error));
        QCOMPARE(m_rig->vornik.calls, QStringList());
    }
    QCOMPARE(m_rig->vornik.events, QStringList());
    QCOMPARE(m_rig->log.jsonAfter(0, m_rig->log.lastSeq()), m_history);
    QCOMPARE(Language::instance()->getCurrentLD().languageCode, QStringLiteral("en"));
    QCOMPARE(m_rig->host.profile().countryCode, QStringLiteral("US"));
    QCOMPARE(m_rig->host.profile().oneButtonConfig, 1);
    QCOMPARE(m_rig->host.profile().account.email, QStringLiteral("before@example.com"));
    QCOMPARE(m_rig->quits, 0);
}

void LauncherApiTest::eventsReachTheHost()
{
    for (const auto& [event, body] : {std::pair{"language", R"({"code": "de"})"},
                                      {"country", R"({"code": ""})"},
                                      {"strategy", R"({"oneButtonConfig": 2})"},
                                      {"account", R"({"loggedIn": false, "email": "after@example.com"})"}})
        QCOMPARE(m_rig->site.handle(request(QString("POST /control/event/") + event, body)).status, 200);
    QCoreApplication::sendPostedEvents();

    QCOMPARE(Language::instance()->getCurrentLD().languageCode, QStringLiteral("de"));
    // The country event carries the empty code as it is; then the play-strategy event.
    QCOMPARE(m_rig->vornik.events, (QStringList{"country:", QString::number(KEvent::PlayGameStrategyChange)}));
    QCOMPARE(m_rig->host.profile().oneButtonConfig, 2);
    QCOMPARE(m_rig->host.profile().account.email, QStringLiteral("after@example.com"));
    QCOMPARE(m_rig->host.profile().account.loggedIn, false);
    QCOMPARE(m_rig->vornik.calls, QStringList());
}

void LauncherApiTest::serviceCallsAreRecorded()
{
    KLauncher* launcher = KLauncher::instance();
    launcher->setClearWebCache(true);
    // Reads change nothing and answer what the profile says: not recorded.
    launcher->getAppConfigValue(AppConfigWebServiceHost);
    launcher->getHostUrl(AppConfigWebServiceHost, "/api/game/list");
    launcher->getHostMap();
    QCOMPARE(m_rig->log.jsonAfter(4, m_rig->log.lastSeq()),
             QByteArray(R"([{"args":[true],"iface":"KLauncher","op":"setClearWebCache","seq":5}])"));

    // The service is one per process: the host that asked last records it, and a host that goes
    // leaves another's recording alone and is not reached any more.
    HostCallLog laterLog;
    auto later = std::make_unique<StandInHost>(HostProfile(), &laterLog);
    later->recordServiceCalls();
    m_rig.reset();
    launcher->setClearWebCache(false);
    QCOMPARE(laterLog.count("KLauncher", "setClearWebCache"), 1);
    later.reset();
    launcher->setClearWebCache(false);
    QCOMPARE(laterLog.count("KLauncher", "setClearWebCache"), 1);
}

void LauncherApiTest::logKeepsItsTextsWithinItsLimit()
{
    // The texts the file writer made, and those made for an answer, are kept with their entries
    // and answered again, across a clear too.
    QTemporaryDir dir;
    HostCallLog log;
    QVERIFY(log.setFile(dir.filePath("host.jsonl")));
    log.record("IMyGame", "showPage", {8});
    log.record("ISetting", "oneButtonConfig");
    // Closed, the file has both lines and the writer has handed its texts back.
    QVERIFY(log.setFile(QString()));
    QFile file(dir.filePath("host.jsonl"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray both = R"([{"args":[8],"iface":"IMyGame","op":"showPage","seq":1},)"
                            R"({"args":[],"iface":"ISetting","op":"oneButtonConfig","seq":2}])";
    QCOMPARE("[" + file.readAll().trimmed().replace('\n', ',') + "]", both);
    QCOMPARE(log.jsonAfter(0, 2), both);

    log.clear();
    log.record("IHttpDaoMgr", "removeHandle", {true});
    const QByteArray third = R"([{"args":[true],"iface":"IHttpDaoMgr","op":"removeHandle","seq":3}])";
    QCOMPARE(log.jsonAfter(0, 3), third);
    QCOMPARE(log.jsonAfter(0, 3), third);
    QCOMPARE(log.jsonAfter(2, 3), third);
    // Up to a seq: what came later is left out.
    QCOMPARE(log.jsonAfter(0, 2), QByteArray("[]"));

    // A launcher left running must not grow without end: the oldest calls go a block at a time,
    // numbering goes on, and texts made before a trim stay with their own entries.
    HostCallLog bounded;
    bounded.setLimit(8);
    for (int i = 1; i <= 9; ++i)
        bounded.record("IMyGame", "showPage", {i});
    QCOMPARE(bounded.size(), 9);
    QCOMPARE(bounded.jsonAfter(8, 9), QByteArray(R"([{"args":[9],"iface":"IMyGame","op":"showPage","seq":9}])"));
    bounded.record("IMyGame", "showPage", {10});
    QCOMPARE(bounded.size(), 8);
    QCOMPARE(bounded.lastSeq(), 10);
    // Asked from before the oldest kept: what is kept, no gap filled with the wrong entries.
    const QVector<QJsonObject> kept = bounded.entriesAfter(1);
    QCOMPARE(kept.constFirst().value("seq").toInt(), 3);
    QCOMPARE(kept.constLast().value("seq").toInt(), 10);
    QCOMPARE(bounded.jsonAfter(8, 10), QByteArray(R"([{"args":[9],"iface":"IMyGame","op":"showPage","seq":9},)"
                                                  R"({"args":[10],"iface":"IMyGame","op":"showPage","seq":10}])"));
    // A lower limit trims at once; 0 keeps everything again.
    bounded.setLimit(2);
    QCOMPARE(bounded.size(), 2);
    bounded.setLimit(0);
    for (int i = 11; i <= 30; ++i)
        bounded.record("IMyGame", "showPage", {i});
    QCOMPARE(bounded.size(), 22);
    QCOMPARE(bounded.entriesAfter(0).constFirst().value("seq").toInt(), 9);
}

void LauncherApiTest::slowStandardErrorCostsBoundedMemory()
{
    // Standard error is a pipe nobody reads yet, already full: the writer blocks on its first
    // line, and what comes meanwhile may only fill the bound. Once the pipe is read, the kept lines
    // come out in order, then one line counting those left out, then what came later.
    int pipeEnds[2];
    QCOMPARE(pipe(pipeEnds), 0);
    const int savedError = dup(STDERR_FILENO);
    QVERIFY(dup2(pipeEnds[1], STDERR_FILENO) >= 0);
    const int flags = fcntl(pipeEnds[1], F_GETFL);
    fcntl(pipeEnds[1], F_SETFL, flags | O_NONBLOCK);
    const QByteArray chunk(4096, 'x');
    qint64 filler = 0;
    for (qint64 written; (written = ::write(pipeEnds[1], chunk.constData(), size_t(chunk.size()))) > 0;)
        filler += written;
    fcntl(pipeEnds[1], F_SETFL, flags);

    QByteArray out;
    std::atomic<bool> noticed{false};
    std::thread reader;
    {
        MessageOutput output(1000);
        for (int i = 1; i <= 100; ++i)
            qInfo("line %03d of a burst that standard error cannot take yet", i);
        reader = std::thread([&out, &noticed, end = pipeEnds[0]] {
            char buffer[65536];
            for (ssize_t got; (got = ::read(end, buffer, sizeof buffer)) > 0;) {
                out.append(buffer, int(got));
                noticed = noticed || out.contains("left out here");
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(noticed, 30000);
        qInfo("after the pipe was read");
    }
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    close(pipeEnds[1]);
    reader.join();
    close(pipeEnds[0]);

    const QList<QByteArray> lines = out.mid(int(filler)).trimmed().split('\n');
    int kept = 0;
    for (; kept < lines.size() && lines.at(kept).startsWith("line "); ++kept)
        QCOMPARE(lines.at(kept).mid(5, 3).toInt(), kept + 1);
    QVERIFY2(kept > 0 && kept < 100, qPrintable(QString::number(kept)));
    QCOMPARE(lines.size(), kept + 2);
    QCOMPARE(lines.at(kept), QStringLiteral("[launcher] %1 log line(s) left out here: standard error was not read as "
                                            "fast as they came").arg(100 - kept).toLocal8Bit());
    QCOMPARE(lines.last(), QByteArray("after the pipe was read"));
}

void LauncherApiTest::profileFile_data()
{
    QTest::addColumn<QString>("json"); // empty: no file at all
    QTest::addColumn<QString>("outcome");

    QTest::newRow("no file") << "" << "cannot read the profile";
    QTest::newRow("not JSON") << R"({"language": "en",)" << "not valid JSON";
    QTest::newRow("not an object") << R"(["en"])" << "the profile must be a JSON object";
    QTest::newRow("a key repeated over an object") << R"({"hostMap": {"a": "b"}, "hostMap": {}})"
                                                   << "an object names a key twice";
    QTest::newRow("nested wrong type") << R"({"instances": [{"apps": "a"}]})"
                                       << R"("instances[0].apps" must be an array of strings)";
    QTest::newRow("config key a word") << R"({"appConfig": {"web": 1}})"
                                       << R"("appConfig" key "web" is not a configuration number)";
    QTest::newRow("switch as text") << R"({"appConfig": {"26": "yes"}})" << R"("appConfig.26" must be a boolean)";
    QTest::newRow("fraction for an integer") << R"({"oneButtonConfig": 1.5})" << R"("oneButtonConfig" must be an integer)";
    QTest::newRow("unreadable UUID") << R"({"clientUuid": "not-a-uuid"})" << R"("clientUuid" must be a UUID text)";
    QTest::newRow("misspelt key") << R"({"langauge": "de"})" << R"(unknown key "langauge")";
    // Read: the language, then both service addresses, the launcher's own only where none is given.
    QTest::newRow("service addresses") << R"({"language": "de", "appConfig": {"25": "http://games.test/"}})"
                                       << "de http://127.0.0.1:8765/ http://games.test/";
}

void LauncherApiTest::profileFile()
{
    QFETCH(QString, json);
    QFETCH(QString, outcome); // for a refused file, part of the message
    QTemporaryDir dir;
    QFile file(dir.filePath("profile.json"));
    QVERIFY(json.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(json.toUtf8()) > 0));
    file.close();
    HostProfile profile;
    profile.language = "untouched";
    QString error;

    if (loadProfileFile(file.fileName(), &profile, &error)) {
        useServiceAddressByDefault(&profile, "http://127.0.0.1:8765/");
        QCOMPARE(QStringList({profile.language, profile.appConfig.value(AppConfigWebTestUrl).toString(),
                              profile.appConfig.value(AppConfigWebServiceHost).toString()}).join(' '),
                 outcome);
    } else {
        QVERIFY2(error.contains(outcome) && error.contains(file.fileName()), qPrintable(error));
        QCOMPARE(profile.language, QStringLiteral("untouched"));
    }
}

void LauncherApiTest::consoleFollowsTheLog_data()
{
    QTest::addColumn<int>("before");   // calls recorded before the console is made
    QTest::addColumn<int>("scrollTo"); // the row the user scrolls to then; -1: leaves it following
    QTest::addColumn<int>("after");    // calls recorded afterwards, in one go
    QTest::addColumn<QString>("rows"); // seq of the first and the last row
    QTest::addColumn<qint64>("top");   // seq of the top row in sight; 0: the bottom is in sight
    QTest::addColumn<int>("paceMs");   // 0: the later calls in one go; else one each paceMs, under a dear window
    QTest::addColumn<int>("catchUps"); // at most, under a dear window

    // A single call after a quiet spell must show as well as a burst.
    QTest::newRow("backlog, then one more") << 3 << -1 << 1 << "1..4" << qint64(0) << 0 << 0;
    QTest::newRow("nothing, then one call") << 0 << -1 << 1 << "1..1" << qint64(0) << 0 << 0;
    QTest::newRow("backlog past the capacity") << 5003 << -1 << 0 << "4..5003" << qint64(0) << 0 << 0;
    QTest::newRow("a flood in one go") << 10 << -1 << 12000 << "7011..12010" << qint64(0) << 0 << 0;
    QTest::newRow("scrolled up") << 300 << 20 << 50 << "1..350" << qint64(21) << 0 << 0;
    QTest::newRow("scrolled up while the oldest go") << 4990 << 100 << 40 << "31..5030" << qint64(101) << 0 << 0;
    // Every row the user looked at has gone: the top shows the oldest kept.
    QTest::newRow("scrolled up past the flood") << 4990 << 100 << 6000 << "5991..10990" << qint64(5991) << 0 << 0;
    // A window that takes 50 ms to put on the screen whatever changed in it (as one holding the
    // web view can without a GPU): a steady flow of calls is caught up far less often than every
    // 200 ms, at which the 1.2 s of the flow would take six catch-ups or more; every call still shows.
    QTest::newRow("a flow under a dear window") << 0 << -1 << 60 << "1..60" << qint64(0) << 20 << 3;
}

void LauncherApiTest::consoleFollowsTheLog()
{
    QFETCH(int, before);
    QFETCH(int, scrollTo);
    QFETCH(int, after);
    QFETCH(QString, rows);
    QFETCH(qint64, top);
    QFETCH(int, paceMs);
    QFETCH(int, catchUps);
    struct Dear : QWidget
    {
        void paintEvent(QPaintEvent*) override { QThread::msleep(50); }
    };

    HostCallLog log;
    StandInHost host(HostProfile(), &log);
    HostEvents events(&host, nullptr);
    for (int i = 0; i < before; ++i)
        log.record("ISimulatorMgr", "requestApkUrl", {QString("com.game%1").arg(i), true, 0, 0});
    QWidget window;
    auto* console = new HostConsole(&log, &events);
    (new QHBoxLayout(&window))->addWidget(console);
    window.resize(420, 600);
    if (paceMs > 0) {
        // Over all of the window, see-through, so that every repaint beneath it paints it too.
        auto* dear = new Dear;
        dear->setParent(&window);
        dear->resize(window.size());
        dear->raise();
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* view = console->findChild<ConsoleView*>();
    QScrollBar* scroll = view->verticalScrollBar();
    QTRY_COMPARE_WITH_TIMEOUT(seqAt(view, view->model()->rowCount() - 1), qint64(before), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(scroll->value(), scroll->maximum(), 10000);
    if (scrollTo >= 0)
        scroll->setValue(scrollTo);

    int caughtUp = 0;
    connect(view, &ConsoleView::caughtUp, this, [&] { ++caughtUp; });
    for (int i = 0; i < after; ++i) {
        log.record("IMyGame", "showPage", {8});
        if (paceMs > 0)
            QTest::qWait(paceMs);
    }
    const int last = before + after;
    QTRY_COMPARE_WITH_TIMEOUT(seqAt(view, view->model()->rowCount() - 1), qint64(last), 20000);
    if (paceMs > 0)
        QVERIFY2(caughtUp <= catchUps, qPrintable(QString::number(caughtUp)));

    QCOMPARE(QString("%1..%2").arg(seqAt(view, 0)).arg(seqAt(view, view->model()->rowCount() - 1)), rows);
    QTRY_COMPARE_WITH_TIMEOUT(scroll->value() == scroll->maximum(), top == 0, 10000);
    if (top != 0)
        QCOMPARE(seqAt(view, view->indexAt(QPoint(1, 1)).row()), top);
    QCOMPARE(console->findChild<QLabel*>("callCount")->text(), QString("%1 call(s)").arg(last));
}

void LauncherApiTest::consoleShowsThePageTrafficAndTheFaults()
{
    Rig rig{HostProfile()};
    rig.traffic.recordLoad("http://127.0.0.1:8765/");
    HostConsole console(&rig.log, &rig.events, &rig.traffic);
    PageWatcher page;
    HostFaults faults(rig.host.simulator(), &page);
    console.addWorkbench(&page, &faults);
    console.resize(420, 600);
    console.show();
    QVERIFY(QTest::qWaitForWindowExposed(&console));
    rig.traffic.recordCommand(R"({"event": "getLanguage", "callbackEvent": "l#1"})");
    rig.traffic.recordCommand(R"({"event": "getLangauge",
                                  "callbackEvent": "l#2"})");
    rig.traffic.recordMessage({{"event", "l#1"}, {"page", 8}, {"data", QJsonObject{{"language", "en"}}}, {"stamp", 1.0}});

    // The host calls first (what a look for the console's list finds), then the traffic.
    QCOMPARE(console.findChild<QAbstractItemView*>()->objectName(), QString("hostCalls"));
    QAbstractItemModel* rows = console.findChild<QTreeView*>("pageTraffic")->model();
    QTRY_COMPARE_WITH_TIMEOUT(rows->rowCount(), 4, 10000);
    QStringList texts;
    for (int row = 0; row < rows->rowCount(); ++row)
        texts.append(rows->index(row, 0).data().toString() + " " + rows->index(row, 2).data().toString());
    QCOMPARE(texts, (QStringList{"1 ⟳ http://127.0.0.1:8765/",
                                 R"(2 → {"event": "getLanguage", "callbackEvent": "l#1"})",
                                 R"(3 → ⚠ unknown event "getLangauge": the plug-in does nothing with it · )"
                                 R"({"event": "getLangauge", "callbackEvent": "l#2"})",
                                 R"(4 ← l#1 {"language":"en"})"}));
    // Only the warned command stands out.
    QCOMPARE(rows->index(2, 2).data(Qt::ForegroundRole).isValid(), true);
    QCOMPARE(rows->index(1, 2).data(Qt::ForegroundRole).isValid(), false);
    QCOMPARE(console.findChild<QLabel*>("trafficCount")->text(), QString("2 command(s), ⚠ 1 with warnings"));

    // The Workbench box's switches and the control API's /control/fault/... move the same faults:
    // a click turns one on, a change made elsewhere shows on its switch.
    QHash<QString, QCheckBox*> switchFor;
    for (QCheckBox* box : console.findChildren<QCheckBox*>())
        switchFor.insert(box->text(), box);
    const QStringList switches{"web host unreachable", "moded list fails", "APK look-ups fail", "APK look-ups slow"};
    for (const QString& text : switches)
        QVERIFY2(switchFor.value(text), qPrintable(text));
    for (QSpinBox* delay : console.findChildren<QSpinBox*>())
        if (delay->suffix() == " ms")
            delay->setValue(700);
    for (const QString& text : switches)
        switchFor[text]->click();
    QCOMPARE(QJsonDocument(faults.state()).toJson(QJsonDocument::Compact),
             QByteArray(R"({"apkDelayMs":700,"apkFailing":true,"modedListFailing":true,"webHostUnreachable":true})"));
    faults.setModedListFailing(false);
    faults.setApkDelay(0);
    QCOMPARE(switchFor["moded list fails"]->isChecked(), false);
    QCOMPARE(switchFor["APK look-ups slow"]->isChecked(), false);
    QCOMPARE(switchFor["web host unreachable"]->isChecked(), true);
}

void LauncherApiTest::callText_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("text");

    QTest::newRow("no arguments") << R"({"iface": "IMainWindow", "op": "showLogin", "args": []})" << 400
                                  << "IMainWindow.showLogin()";
    QTest::newRow("every type") << R"({"iface": "I", "op": "op", "args": [8, -2.5, true, null, "t", [], {"b": [1], "a": {}}]})"
                                << 400 << R"(I.op(8,-2.5,true,null,"t",[],{"a":{},"b":[1]}))";
    QTest::newRow("escapes") << R"({"iface": "I", "op": "op", "args": ["q\"b\\s\n\t\u0001é/"]})" << 400
                             << R"(I.op("q\"b\\s\n\t\u0001é/"))";
    QTest::newRow("exactly the limit") << R"({"iface": "I", "op": "op", "args": [123456789, 1234]})" << 14
                                       << "I.op(123456789,1234)";
    QTest::newRow("cut in a number") << R"({"iface": "I", "op": "op", "args": [[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]]})"
                                     << 20 << "I.op([1,2,3,4,5,6,7,8,9,1…)";
    QTest::newRow("cut in a string") << R"({"iface": "I", "op": "op", "args": ["abcdefghijklmnopqrstuvwxyz"]})" << 10
                                     << R"(I.op("abcdefghi…))";
    QTest::newRow("cut in a key") << R"({"iface": "I", "op": "op", "args": [{"packageName": "com.a"}]})" << 8
                                  << R"(I.op({"packag…))";
}

void LauncherApiTest::callText()
{
    QFETCH(QString, entry);
    QFETCH(int, limit);
    QFETCH(QString, text);
    QCOMPARE(HostCallModel::callText(QJsonDocument::fromJson(entry.toUtf8()).object(), limit), text);
}

void LauncherApiTest::protocolCheck_data()
{
    QTest::addColumn<QStringList>("traffic"); // "→ command text", "← event of a message", "⟳" a load
    QTest::addColumn<QString>("warnings");    // of the last command, joined by " | "

    QTest::newRow("reads nothing, gets nothing") << QStringList{R"(→ {"event": "closeBootAnimation", "data": 5})"} << "";
    QTest::newRow("every key of its type")
        << QStringList{R"(→ {"event": "getVmList", "callbackEvent": "v", "data": {"packageName": "a", "method": "play"}})"}
        << "";
    QTest::newRow("a missing key reads as empty") << QStringList{R"(→ {"event": "openShare", "data": {}})"} << "";
    QTest::newRow("not JSON") << QStringList{R"(→ {"event": "getLanguage", "callbackEvent": "l")"}
                              << "not a JSON object: the plug-in drops it unread";
    QTest::newRow("JSON, not an object") << QStringList{R"(→ [{"event": "getLanguage"}])"}
                                         << "not a JSON object: the plug-in drops it unread";
    QTest::newRow("data named twice over an object")
        << QStringList{R"(→ {"event": "getLanguage", "callbackEvent": "l", "data": {"a": 1}, "data": {}})"}
        << "a key named twice over an object or array: the plug-in drops it unread";
    QTest::newRow("a string named twice is read")
        << QStringList{R"(→ {"event": "getLanguage", "callbackEvent": "l", "event": "getLanguage"})"} << "";
    QTest::newRow("misspelt event") << QStringList{R"(→ {"event": "getlanguage", "callbackEvent": "l"})"}
                                    << R"(unknown event "getlanguage": the plug-in does nothing with it)";
    QTest::newRow("no event") << QStringList{R"(→ {"data": {}})"}
                              << R"("event" is missing: the plug-in does nothing with it)";
    QTest::newRow("data a string") << QStringList{R"(→ {"event": "getVmList", "callbackEvent": "v", "data": "a"})"}
                                   << R"("data" is a string; getVmList reads an object)";
    QTest::newRow("no data") << QStringList{R"(→ {"event": "onWebLogger"})"} << R"("data" is missing; onWebLogger reads a string)";
    QTest::newRow("anything goes") << QStringList{R"(→ {"event": "postWebVersionInfo", "data": null})"} << "";
    QTest::newRow("flag as text") << QStringList{R"(→ {"event": "openCloudGame", "data": {"cloud_supported": "true"}})"}
                                  << R"("data.cloud_supported" is a string; openCloudGame reads a boolean)";
    QTest::newRow("fraction for an integer")
        << QStringList{R"(→ {"event": "changeBannerBackgroundImage", "data": {"url": "u", "direction": 1.5}})"}
        << R"("data.direction" is a number with a fraction; changeBannerBackgroundImage reads an integer)";
    QTest::newRow("mod_id of any type") << QStringList{R"(→ {"event": "VKGameBack", "data": {"package": "a", "mod_id": null}})"}
                                        << "";
    QTest::newRow("each search result")
        << QStringList{R"(→ {"event": "pushRealSearchResult", "data": [{"package_name": 7}, "b", {"is_promoted_app": 1}]})"}
        << R"("data[0].package_name" is a number; pushRealSearchResult reads a string | )"
           R"("data[1]" is a string; pushRealSearchResult skips all but objects | )"
           R"("data[2].is_promoted_app" is a number; pushRealSearchResult reads a boolean)";
    QTest::newRow("reply without callbackEvent") << QStringList{R"(→ {"event": "getUserToken"})"}
                                                 << R"(no "callbackEvent": the reply of getUserToken goes nowhere)";
    QTest::newRow("callbackEvent a number") << QStringList{R"(→ {"event": "getHostConfig", "callbackEvent": 7})"}
                                            << R"("callbackEvent" is a number: the reply of getHostConfig goes nowhere)";
    QTest::newRow("no reply to hear") << QStringList{R"(→ {"event": "refreshAccessToken"})"} << "";

    const QString first = R"(→ {"event": "getLanguage", "callbackEvent": "x"})";
    const QString again = R"(→ {"event": "getUserConfig", "callbackEvent": "x"})";
    const QString reused = R"(callback name "x" reused while command #%1 still waits for its reply: the page cannot tell the replies apart)";
    QTest::newRow("name reused while waiting") << QStringList{first, R"(← y)", again} << reused.arg(1);
    QTest::newRow("name reused once answered") << QStringList{first, "← x", again} << "";
    QTest::newRow("replies answer the oldest first") << QStringList{first, again, "← x", again} << reused.arg(2);
    QTest::newRow("an unknown event is answered too")
        << QStringList{R"(→ {"event": "getLangauge", "callbackEvent": "x"})", again} << reused.arg(1);
    QTest::newRow("text that is not JSON is not") << QStringList{R"(→ {"callbackEvent": "x")", again} << "";
    QTest::newRow("a new page waits for nothing") << QStringList{first, "⟳", again} << "";
}

void LauncherApiTest::protocolCheck()
{
    QFETCH(QStringList, traffic);
    QFETCH(QString, warnings);

    PageTraffic recorded;
    for (const QString& item : traffic) {
        if (item.startsWith("→ "))
            recorded.recordCommand(item.mid(2));
        else if (item.startsWith("← "))
            recorded.recordMessage({{"event", item.mid(2)}, {"page", 8}, {"data", QJsonObject()}});
        else
            recorded.recordLoad("file:///page.html");
    }
    const QJsonObject last = recorded.entriesAfter(recorded.lastSeq() - 1).value(0);
    QCOMPARE(last.value("kind").toString(), QString("command"));
    QStringList got;
    for (const QJsonValue& warning : last.value("warnings").toArray())
        got.append(warning.toString());
    QCOMPARE(got.join(" | "), warnings);

    // The client's development mode words a command it can build as the launcher does.
    const QString text = traffic.constLast().mid(2);
    // Text the plug-in drops unread is not handed to Qt's parser either: Qt 5.15's leaks the value
    // a repeated key replaces.
    if (traffic.size() > 1 || warnings.contains("unread") || !QJsonDocument::fromJson(text.toUtf8()).isObject())
        return;
    static QWebEnginePage* page = freshClientPage();
    const QString refused = runInPage(page, QString(R"(
        const client = await (await classic()).connect({ transport: "mock" });
        const { event, data, ...extra } = JSON.parse(%1[0]);
        try { client.send(event, data, extra); } catch (error) { return error.warnings.join(" | "); }
        return "";)").arg(QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))));
    QCOMPARE(refused, compactJson(warnings));
}

void LauncherApiTest::protocolTableIsTheDocumentedOne()
{
    // The launcher's table, written as the doc's summary writes its rows.
    QStringList table;
    for (const PageProtocol::Command& command : PageProtocol::commands()) {
        QStringList keys;
        for (const PageProtocol::Key& key : command.keys)
            keys.append(QString("`%1` %2").arg(key.name, PageProtocol::typeName(key.type)));
        keys.sort();
        table.append(QString("`%1` | %2 | %3 | %4")
                         .arg(command.name, PageProtocol::typeName(command.data), command.replies ? "yes" : "no",
                              keys.join(", ")));
    }
    table.sort();

    QFile file(VORNIK_PAGE_PROTOCOL_DOC);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    // Rows of the tables under a header line, as "cell | cell | ...".
    auto rowsUnder = [&lines](const QString& header) {
        QStringList rows;
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).trimmed() != header)
                continue;
            for (int row = i + 2; row < lines.size() && lines.at(row).startsWith('|'); ++row) {
                const QStringList cells = lines.at(row).split(QRegularExpression(R"(\s*\|\s*)"));
                rows.append(cells.mid(1, cells.size() - 2).join(" | "));
            }
        }
        return rows;
    };
    // The first cell of each row, sorted.
    auto firstCells = [](const QStringList& rows) {
        QStringList cells;
        for (const QString& row : rows)
            cells.append(row.section(" | ", 0, 0));
        cells.sort();
        return cells;
    };
    QStringList documented;
    for (const QString& row : rowsUnder("| Command | `data` | Replies | Keys read |")) {
        QStringList cells = row.split(" | ");
        QStringList keys = cells.value(3).split(", ", Qt::SkipEmptyParts);
        keys.sort();
        cells[3] = keys.join(", ");
        documented.append(cells.join(" | "));
    }
    documented.sort();
    QCOMPARE(documented, table);

    // And the commands described one by one are the commands of the summary.
    QCOMPARE(firstCells(rowsUnder("| Command | `data` | Reply | Host |")), firstCells(table));

    // The messages pushed unasked (but the host's own, of "any name").
    QStringList tabled;
    for (const PageProtocol::Push& push : PageProtocol::pushes())
        tabled.append(QString("`%1`").arg(push.name));
    QCOMPARE(firstCells(rowsUnder("| Event | `data` | When |").filter(QRegularExpression("^`"))), firstCells(tabled));

    // The page's declarations are the table: vornik-launcher --write-protocol-types
    // host/www/NAME writes each anew.
    for (const QString name : {"vornik-protocol.d.ts", "vornik-protocol.js"}) {
        QFile file(VORNIK_SOURCE_DIR "/host/www/" + name);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()).split('\n'), PageProtocol::protocolFile(name).split('\n'));
    }
}

void LauncherApiTest::pagesTypeCheck_data()
{
    QTest::addColumn<QString>("project"); // a folder of the source tree with a tsconfig.json
    QTest::addColumn<QString>("file");    // the file whose line ends in "// <row name>"; empty: all
    QTest::addColumn<QString>("errors");  // the codes of tsc's errors there

    QTest::newRow("demo page") << "host/www" << "" << "";
    QTest::newRow("typed page of the docs") << "docs/typed-page" << "" << "";
    const QString mistakes = "typed-mistakes.js";
    QTest::newRow("misspelt command") << "tests/pages" << mistakes << "TS2345";
    QTest::newRow("data of the wrong JSON type") << "tests/pages" << mistakes << "TS2559";
    QTest::newRow("key of the wrong type") << "tests/pages" << mistakes << "TS2322";
    QTest::newRow("request of a command that does not reply") << "tests/pages" << mistakes << "TS2345";
    QTest::newRow("reply sent nowhere") << "tests/pages" << mistakes << "TS2554";
    QTest::newRow("misspelt key of a reply") << "tests/pages" << mistakes << "TS2551";
    QTest::newRow("pushed value that never comes") << "tests/pages" << mistakes << "TS2367";
}

void LauncherApiTest::pagesTypeCheck()
{
    QFETCH(QString, project);
    QFETCH(QString, file);
    QFETCH(QString, errors);
    const QString tsc = QStandardPaths::findExecutable("tsc");
    if (tsc.isEmpty())
        QFAIL("no tsc: scripts/install-deps.sh installs it (node-typescript)");
    // A run takes seconds of one core, most of it the compiler's own start: the projects are
    // checked side by side, once.
    static QHash<QString, QString> reports;
    if (reports.isEmpty()) {
        std::map<QString, QProcess> runs;
        for (const char* each : {"host/www", "docs/typed-page", "tests/pages"}) {
            runs[each].setWorkingDirectory(QStringLiteral(VORNIK_SOURCE_DIR "/") + each);
            runs[each].start(tsc, {"--pretty", "false", "-p", "."});
        }
        for (auto& [each, run] : runs) {
            QVERIFY(run.waitForFinished(300000));
            reports.insert(each, QString::fromUtf8(run.readAllStandardOutput()));
        }
    }
    QVERIFY2(reports.contains(project), qPrintable(project));
    const QString report = reports.value(project);

    QString where;
    if (!file.isEmpty()) {
        QFile source(QString(VORNIK_SOURCE_DIR "/%1/%2").arg(project, file));
        QVERIFY(source.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(source.readAll()).split('\n');
        const int line = lines.indexOf(QRegularExpression(".*// " + QRegularExpression::escape(QTest::currentDataTag())));
        QVERIFY(line >= 0);
        where = QString("%1(%2,").arg(file).arg(line + 1);
    }
    QStringList got;
    static const QRegularExpression error(R"(^(.+?\(\d+,)\d+\): error (TS\d+):)", QRegularExpression::MultilineOption);
    for (auto match = error.globalMatch(report); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        if (where.isEmpty() || found.captured(1) == where)
            got.append(found.captured(2));
    }
    QVERIFY2(got.join(' ') == errors, qPrintable(QString("got \"%1\" from:\n%2").arg(got.join(' '), report)));
}

void LauncherApiTest::clientReportsMistakes_data()
{
    QTest::addColumn<QString>("script"); // run in a fresh test page; mock: a client of the mock
    QTest::addColumn<QString>("outcome");

    const QString mock = R"(const mock = await (await classic()).connect({ transport: "mock" }); )";
    QTest::newRow("misspelt command") << mock + R"(return mock.request("getUserTokn");)"
                                      << R"(unknown-command: unknown event "getUserTokn": the plug-in does nothing with it)";
    QTest::newRow("data of the wrong type") << mock + R"(return mock.request("getVmList", { packageName: 7, method: "play" });)"
                                            << R"(wrong-data: "data.packageName" is a number; getVmList reads a string)";
    QTest::newRow("request of a command that replies with nothing") << mock + R"(return mock.request("openShare", {});)"
                                                                     << "no-reply: openShare replies with nothing: send it, do not request it";
    QTest::newRow("checks off") << R"(const c = await (await classic()).connect({ transport: "mock", development: false });
                                     return [await c.request("getUserTokn"), c.mock.commands[0].event];)"
                                << R"([{},"getUserTokn"])";
    QTest::newRow("a reply behind ten pushes, paced") << mock + R"(for (let i = 0; i < 10; ++i) mock.mock.push("marker", { i });
                                                          return mock.request("getLanguage", undefined, { timeoutMs: 50 });)"
                                                      << "timeout: getLanguage: no reply within 50 ms (the plug-in answers only a page of the origin "
                                                         "the host registered for it, and no text that is not JSON)";
    QTest::newRow("game command outwaits the APK") << mock + R"(let limit; const wait = setTimeout;
        window.setTimeout = (call, ms) => { if (ms > 1000) limit = ms; return wait(call, ms); };
        await mock.request("installOrPlayAppforVm", {}); return limit;)" << "40000";
    QTest::newRow("a negative time limit") << mock + R"(return mock.request("getLanguage", undefined, { timeoutMs: -1 });)"
                                   << "wrong-data: timeoutMs must be a number of milliseconds (0: for ever), not -1";
    QTest::newRow("a handler that throws") << mock + R"(const got = [];
        mock.on("updateLanguage", () => { throw new Error("handler broke"); });
        mock.on("updateLanguage", (data) => got.push(data.language));
        mock.mock.push("updateLanguage", { language: "de" }); await mock.once("updateLanguage");
        await new Promise((resolve) => setTimeout(resolve, 0)); return [got, errors];)"
                                           << R"([["de"],["handler broke"]])";
    QTest::newRow("once, waitFor, onSend's end") << mock + R"(const sent = []; const stop = mock.onSend((c) => sent.push(c.event));
        mock.send("closeBootAnimation"); stop(); mock.send("closeClientLoading");
        for (const language of ["de", "fr", "it"]) mock.mock.push("updateLanguage", { language });
        const first = await mock.once("updateLanguage");
        const fr = await mock.waitFor("updateLanguage", (data) => data.language === "it", 0);
        return [sent, first.language, fr.language];)"
                                                 << R"([["closeBootAnimation"],"de","it"])";
    QTest::newRow("waitFor gives up") << mock + R"(return mock.waitFor("updateLanguage", undefined, 30);)"
                                      << "timeout: updateLanguage: no such message within 30 ms";
    QTest::newRow("connect twice, one client") << R"(const Client = await classic();
        const [a, b] = await Promise.all([Client.connect({ transport: "mock" }), Client.connect({ transport: "mock" })]);
        await Promise.all([a.request("getLanguage"), b.request("getLanguage")]);
        return [a === b, a.mock.commands.map((c) => c.callbackEvent)];)"
                                               << R"([true,["getLanguage#1","getLanguage#2"]])";
    QTest::newRow("mock of another profile") << R"(const Client = await classic();
        const en = await Client.connect({ transport: "mock", profile: { language: "en", account: { loggedIn: false } } });
        const same = await Promise.all([{ account: { loggedIn: false }, language: "en" }, undefined].map(
            (profile) => Client.connect({ transport: "mock", profile }).then((client) => client === en)));
        return Client.connect({ transport: "mock", profile: { language: "pt" } }).catch((error) => [same, error.code + ": " + error.message]);)"
                                             << R"([[true,true],"other-profile: the page's mock answers from another profile than this connect() gives: )"
                                                R"(VornikClient.reset() drops it, and the next connect() makes a mock of this one"])";
    QTest::newRow("reset, then another profile") << R"(const Client = await classic();
        const en = await Client.connect({ transport: "mock", profile: { language: "en" } });
        const dropped = [en.request("getLanguage"), en.once("updateLanguage")].map((wait) => wait.catch((error) => error.code));
        Client.reset(); const pt = await Client.connect({ transport: "mock", profile: { language: "pt" } });
        return [await Promise.all(dropped), await pt.request("getLanguage"), pt.mock.commands[0].callbackEvent];)"
                                                 << R"([["reset","reset"],{"language":"pt","defaultLanguage":"pt"},"getLanguage#2"])";
    QTest::newRow("as a module, one client with the script")
        << R"(const a = await (await classic()).connect({ transport: "mock" });
              const b = await (await module()).connect({ transport: "mock" });
              return [a === b, await a.request("getUserConfig")];)"
        << R"([true,{"one_button_config":0}])";
    QTest::newRow("outside the launcher") << "return (await classic()).connect();"
                                          << "no-transport: no web channel transport (qt.webChannelTransport): the page is not "
                                             R"(in the launcher or the host; connect({ transport: "mock", profile }) answers in any browser)";
    QTest::newRow("channel script nowhere") << R"(return (await classic()).connect({ channelScript: "missing.js" });)"
                                            << "no-transport: could not load missing.js";
    QTest::newRow("a channel that never answers")
        << R"(window.qt = { webChannelTransport: { send() {} } }; window.QWebChannel = function () {};
              return (await classic()).connect({ timeoutMs: 50 });)"
        << "timeout: the web channel did not answer within 50 ms";
    QTest::newRow("profile of the wrong shape")
        << R"(return (await classic()).connect({ transport: "mock", profile: { account: { loggedIn: "yes" } } });)"
        << R"(wrong-data: the profile's "account.loggedIn" is a string, not a boolean)";
}

void LauncherApiTest::clientReportsMistakes()
{
    QFETCH(QString, script);
    QFETCH(QString, outcome);
    QCOMPARE(runInPage(freshClientPage(), script), outcome);
}

void LauncherApiTest::clientAnswersAlikeInLauncherAndMock()
{
    const QByteArray profileJson = R"({"appConfig": {"13": "x-1", "14": "a-1", "15": "r-1", "24": "http://127.0.0.1/", "26": true},
        "language": "de", "hostMap": {"cloud": "https://cloud.test"}, "oneButtonConfig": 2,
        "account": {"loggedIn": true, "email": "p@example.com", "userId": "u-7", "token": "t-7"},
        "clientVersion": "5.2", "clientUuid": "{6F1D3C2A-5B7E-4C1D-9A8B-2E3F4A5B6C7D}", "systemConfig": {"gpu": "G"},
        "hasPlayStore": true, "defaultEngines": {"com.example.racer": "pie64"},
        "instances": [{"id": "0", "name": "Main", "type": "nougat64", "apps": ["com.example.racer", "com.b"]},
                      {"id": "1", "name": "Second", "type": "pie64", "apps": ["com.a"]}]})";
    QString error;
    PluginHarness harness(HostProfile::fromJson(profileJson, &error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(harness.bind());
    QVERIFY(harness.showPage(QUrl::fromLocalFile(VORNIK_TEST_PAGES "/client.html")));
    // As the launcher starts it: the table and development mode come with every document.
    QVERIFY(PageProtocol::offerToPage(harness.container(), true));
    evaluate(harness.page(), "window.ready = false; location.reload(); true");
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(harness.page(), "window.ready === true").toBool(), 60000);

    const QString launcher = runInPage(harness.page(), "return scenario();");
    const QString mock = runInPage(freshClientPage(), QString("return scenario({ transport: 'mock', profile: %1 });")
                                                          .arg(QString::fromUtf8(profileJson)));
    const QJsonObject got = QJsonDocument::fromJson(launcher.toUtf8()).object();
    QVERIFY2(got.value("received").toArray().size() == 9, qPrintable(launcher));
    QCOMPARE(got.value("refused").toString(), QString("unknown-command"));
    QCOMPARE(got.value("development").toBool(), true);
    QCOMPARE(eventsAndData(QJsonDocument::fromJson(mock.toUtf8()).object().value("received").toArray()),
             eventsAndData(got.value("received").toArray()));
}

VORNIK_TEST_MAIN(LauncherApiTest)
#include "tst_launcherapi.moc"
