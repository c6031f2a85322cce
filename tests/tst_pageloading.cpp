// What the view shows: the online page when the web host resolves, the local offline page when it
// does not or when loading keeps failing, and a first load that never ends turned into a failure.

#include "appconfig.h"
#include "hostcalllog.h"
#include "httpstub.h"
#include "ivornik.h"
#include "klauncher.h"
#include "language.h"
#include "logcapture.h"
#include "pagecommand.h"
#include "pluginharness.h"
#include "waitloading.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <QtTest>

#include "testmain.h"

namespace {

const QString kLoadSuccess = "[booting time][finish]: [vk webengine] load success";
const QString kLoadFail = "[booting time][finish]: [vk webengine] load fail";
const QString kDomainTest = "domain test host: ";

QString offlineAddress(const QString& lang)
{
    return "file://" + QCoreApplication::applicationDirPath() + "/www/offline.html?location=vornik&lang=" + lang;
}

// The connectivity test's and the load outcome's lines, in the order they were written.
QStringList loadingLines(const LogCapture& log)
{
    QStringList lines;
    for (const QString& line : log.lines()) {
        if (line.startsWith(kDomainTest) || line == kLoadSuccess || line == kLoadFail)
            lines.append(line);
    }
    return lines;
}

void setTestAddress(const QString& address)
{
    KLauncher::instance()->setAppConfigValue(AppConfigWebTestUrl, address);
}

// Moves a file of the install out of the way, and back whatever happens to the test.
class FileAway
{
public:
    explicit FileAway(const QString& path)
        : m_path(path)
        , m_moved(QFile::rename(path, path + ".away"))
    {
    }
    ~FileAway()
    {
        if (m_moved)
            QFile::rename(m_path + ".away", m_path);
    }
    bool moved() const { return m_moved; }

private:
    QString m_path;
    bool m_moved;
};

class HideCounter : public QObject
{
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            ++hides;
        return false;
    }
};

} // namespace

class PageLoadingTest : public QObject
{
    Q_OBJECT

    // The connectivity cases share one page, each starting from where the last one left it: a
    // page takes seconds to come up.
    std::unique_ptr<PluginHarness> m_shared;

private slots:
    void init()
    {
        // The plug-in is one object: a case that makes its own harness needs the shared one gone.
        if (QTest::currentTestFunction() != QByteArray("connectivityDecision"))
            m_shared.reset();
    }
    void cleanupTestCase() { m_shared.reset(); }

    void connectivityDecision_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("tests"); // started one after the other, before the first answer
        QTest::addColumn<QString>("loggedHost");
        QTest::addColumn<QString>("offlineLanguage");
        QTest::addColumn<QString>("offlineTitle");

        // Online first: the shared page starts on the online page.
        QTest::newRow("name that resolves") << "http://localhost:8080/feed" << "en" << 1 << R"("localhost")" << "" << "";
        // Neither look-up is merged into the other: each answer loads the offline page.
        QTest::newRow("name under .invalid, two tests") << "https://nowhere.vornik.invalid/" << "de" << 2
                                                        << R"("nowhere.vornik.invalid")" << "de" << "Keine Verbindung";
        QTest::newRow("bare host, no scheme") << "localhost" << "pt-BR" << 1 << R"("")" << "en" << "You are offline";
    }

    void connectivityDecision()
    {
        QFETCH(QString, address);
        QFETCH(QString, language);
        QFETCH(int, tests);
        QFETCH(QString, loggedHost);
        QFETCH(QString, offlineLanguage);
        QFETCH(QString, offlineTitle);

        if (!m_shared) {
            m_shared = std::make_unique<PluginHarness>();
            QVERIFY(m_shared->bind());
            QVERIFY(m_shared->showPage());
        }
        PluginHarness& harness = *m_shared;
        Language::instance()->setCurrentLanguage(language);
        QWebEnginePage* page = harness.page();
        evaluate(page, "window.marker = 1; true");
        harness.log()->clear();
        setTestAddress(address);

        LogCapture log;
        QStringList tested, offlineCalls;
        for (int i = 0; i < tests; ++i) {
            harness.vornik()->startDomainTest(8);
            tested.append("domain test host:  " + loggedHost);
            offlineCalls.append("IMainWindow.finishBootAnimation[true]");
        }
        QCOMPARE(log.lines(kDomainTest), tested);

        if (offlineLanguage.isEmpty()) {
            // A new document of the same online page: the marker is gone, the bridge connected again.
            QTRY_VERIFY_WITH_TIMEOUT(evaluate(page, "window.ready === true && window.marker === undefined").toBool(), 30000);
            QCOMPARE(page->url(), PluginHarness::probePage());
            QCOMPARE(hostCalls(harness.log()), QStringList());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(page->url().toString(), offlineAddress(language), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(hostCalls(harness.log()), offlineCalls, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(kLoadSuccess), 30000);
        QCOMPARE(evaluate(page, "document.documentElement.lang").toString(), offlineLanguage);
        QCOMPARE(evaluate(page, "document.getElementById('title').textContent").toString(), offlineTitle);
        QCOMPARE(evaluate(page, "document.documentElement.dataset.location").toString(), QString("vornik"));
    }

    void offlinePageAddress_data()
    {
        QTest::addColumn<QString>("installDir");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain folder") << "/opt/kvl" << "en" << "file:///opt/kvl/www/offline.html?location=vornik&lang=en";
        QTest::newRow("drive letter") << "C:/Program Files/KVL" << "de"
                                      << "file:///C:/Program%20Files/KVL/www/offline.html?location=vornik&lang=de";
        QTest::newRow("percent sign and a placeholder") << "/home/ana/100% %2 games" << "pt-BR"
                                                        << "file:///home/ana/100%25%20%252%20games/www/offline.html?location=vornik&lang=pt-BR";
    }

    void offlinePageAddress()
    {
        QFETCH(QString, installDir);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        PluginHarness harness;
        QUrl url;
        QVERIFY(QMetaObject::invokeMethod(harness.webManager(), "offlinePageUrl", Qt::DirectConnection,
                                          Q_RETURN_ARG(QUrl, url), Q_ARG(QString, installDir), Q_ARG(QString, language)));
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
    }

    void offlinePageMissing()
    {
        FileAway away(QCoreApplication::applicationDirPath() + "/www/offline.html");
        QVERIFY(away.moved());
        QWidget container;
        container.show();
        PluginHarness harness;
        QVERIFY(harness.bind());
        setTestAddress("http://nowhere.vornik.invalid/");
        LogCapture log;
        harness.vornik()->createView(8, PluginHarness::probePage().toString(), &container);
        QWebEnginePage* page = container.findChild<QWebEngineView*>()->page();
        QSignalSpy loads(page, &QWebEnginePage::loadStarted);

        const QString missing = "[vk webengine] the offline page did not load: " + QCoreApplication::applicationDirPath()
                                + "/www/offline.html";
        QTRY_COMPARE_WITH_TIMEOUT(log.lines("[vk webengine] the offline page"), QStringList{missing}, 30000);
        // A loop would have started its next load within this second many times over. After the
        // view's own load, only the offline page's.
        QVERIFY(!QTest::qWaitFor([&] { return loads.count() > 1 || log.lines("[vk webengine] the offline page").size() > 1; },
                                 1000));
        QCOMPARE(loads.count(), 1);
    }

    void slowOnlinePageIsNotAnOutage()
    {
        // Both loads of the start (the view's own and the connectivity test's) are slow to answer,
        // so the second replaces the first while it is still on its way.
        HttpStub site;
        site.setDefaultReply(200, "<title>own</title>", "text/html");
        site.setDelayMs(400);
        const QUrl own(site.baseUrl() + "/vornik/");
        QWidget container;
        container.show();
        PluginHarness harness;
        QVERIFY(harness.bind());
        harness.log()->clear();
        LogCapture log;
        harness.vornik()->createView(8, own.toString(), &container);
        QWebEnginePage* page = container.findChild<QWebEngineView*>()->page();

        QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(kLoadSuccess), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(page->title(), QString("own"), 30000);
        QCOMPARE(page->url(), own);
        QCOMPARE(log.lines(kDomainTest).size(), 1);
        QCOMPARE(hostCalls(harness.log()), QStringList());
    }

    void offlinePageRetryTestsAgain()
    {
        PluginHarness harness;
        QVERIFY(harness.bind());
        QVERIFY(harness.showPage());
        QWebEnginePage* page = harness.page();
        setTestAddress("http://nowhere.vornik.invalid/");
        harness.vornik()->startDomainTest(8);
        QTRY_COMPARE_WITH_TIMEOUT(page->url().toString(), offlineAddress("en"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(page, "!document.getElementById('retry').disabled").toBool(), 30000);

        // The web host is back; the user presses the offline page's retry button.
        setTestAddress("http://localhost/");
        harness.log()->clear();
        HideCounter hides;
        harness.container()->findChild<QWebEngineView*>()->installEventFilter(&hides);
        LogCapture log;
        evaluate(page, "document.getElementById('retry').click(); true");

        QTRY_VERIFY_WITH_TIMEOUT(evaluate(page, "window.ready === true").toBool(), 30000);
        QCOMPARE(page->url(), PluginHarness::probePage());
        QTRY_COMPARE_WITH_TIMEOUT(loadingLines(log), (QStringList{R"(domain test host:  "localhost")", kLoadSuccess}), 30000);
        QCOMPARE(hides.hides, 1);
        QVERIFY(harness.container()->findChild<QWebEngineView*>()->isVisible());
        QCOMPARE(hostCalls(harness.log()), QStringList());
    }

    void fourFailedLoadsInARow()
    {
        // The online page, loaded once; from then on it is gone, while the web host's name still resolves.
        QTemporaryDir site;
        const QString online = site.filePath("online.html");
        QVERIFY(QFile::copy(PluginHarness::probePage().toLocalFile(), online));
        PluginHarness harness;
        QVERIFY(harness.bind());
        QVERIFY(harness.showPage(QUrl::fromLocalFile(online)));
        QWebEnginePage* page = harness.page();
        QVERIFY(QFile::remove(online));
        setTestAddress("http://localhost/");
        harness.log()->clear();
        LogCapture log;
        harness.vornik()->startDomainTest(8);

        QTRY_COMPARE_WITH_TIMEOUT(page->url().toString(), offlineAddress("en"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(kLoadSuccess), 30000);
        const QString tested = R"(domain test host:  "localhost")";
        QCOMPARE(loadingLines(log), (QStringList{tested, kLoadFail, tested, kLoadFail, tested, kLoadFail, tested, kLoadFail,
                                                 kLoadSuccess}));
        QCOMPARE(hostCalls(harness.log()), QStringList{"IMainWindow.finishBootAnimation[true]"});

        // The offline page's success gave the retries back: the next failure tests again.
        log.clear();
        emit page->loadFinished(false);
        QCOMPARE(loadingLines(log), (QStringList{kLoadFail, tested}));
    }

    void watchdogEndsASilentFirstLoad()
    {
        // Connections are made (the system accepts them for the listening socket) and never answered.
        QTcpServer host;
        QVERIFY(host.listen(QHostAddress::LocalHost));
        const QString address = QString("http://127.0.0.1:%1/page").arg(host.serverPort());
        QWidget container;
        container.resize(800, 600);
        container.show();
        PluginHarness harness;
        QVERIFY(harness.bind());
        harness.webManager()->setProperty("watchdogIntervalMs", 1500);
        harness.log()->clear();
        LogCapture log;

        harness.vornik()->createView(8, address, &container);
        auto* view = container.findChild<QWebEngineView*>();
        auto* spinner = container.findChild<Waitloading*>();
        auto* watchdog = reinterpret_cast<QTimer*>(view->page()->property("timer").toULongLong());
        QVERIFY(watchdog->isActive());
        QVERIFY(!view->isVisible());
        spinner->start();

        QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), 30000);
        QVERIFY(!spinner->isSpinning());
        QVERIFY(!watchdog->isActive());
        // The time-out counts as the first failure: one retry spent on a second test.
        const QString tested = R"(domain test host:  "127.0.0.1")";
        QCOMPARE(loadingLines(log), (QStringList{tested, kLoadFail, tested}));
        QCOMPARE(hostCalls(harness.log()), QStringList{"IMainWindow.finishBootAnimation[true]"});
        QCOMPARE(view->page()->requestedUrl().toString(), address);
    }
};

VORNIK_TEST_MAIN(PageLoadingTest)
#include "tst_pageloading.moc"
