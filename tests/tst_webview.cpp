// The view the plug-in builds in the host's container: what it creates, where it puts it, and how
// its parts find each other.

#include "ivornik.h"
#include "logcapture.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "waitloading.h"

#include <QBoxLayout>
#include <QFile>
#include <QLabel>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>

#include "testmain.h"

namespace {

template <typename T>
T* fromAddress(const QObject* holder, const char* name)
{
    return reinterpret_cast<T*>(static_cast<quintptr>(holder->property(name).toULongLong()));
}

QList<QWebEnginePage*> pagesOf(QObject* webManager)
{
    return webManager->findChildren<QWebEnginePage*>(QString(), Qt::FindDirectChildrenOnly);
}

// A server on 127.0.0.1 with a certificate nobody vouches for: it counts the handshakes it is
// asked for and keeps whatever comes through one.
class UntrustedServer : public QTcpServer
{
public:
    int handshakes = 0;
    QByteArray received;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QFile pem(QStringLiteral(VORNIK_TEST_PAGES "/untrusted-tls.pem"));
        if (!pem.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(pem.fileName()));
        const QByteArray keyAndCertificate = pem.readAll();
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setPrivateKey(QSslKey(keyAndCertificate, QSsl::Rsa));
        socket->setLocalCertificate(QSslCertificate(keyAndCertificate));
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { received += socket->readAll(); });
        ++handshakes;
        socket->startServerEncryption();
    }
};

} // namespace

class WebViewTest : public QObject
{
    Q_OBJECT
private slots:
    void onlyPageTypeEight_data();
    void onlyPageTypeEight();
    void nullContainer();
    void containerWithLayout();
    void untrustedCertificateRefused();
    // One page for the rest: a page takes seconds to come up.
    void widgetTree();
    void hiddenViewKeepsPageVisible();
    void secondCreateViewChangesNothing();
    void cleanupTestCase() { m_harness.reset(); }

private:
    std::unique_ptr<PluginHarness> m_harness;
};

void WebViewTest::onlyPageTypeEight_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("home") << 1;
    QTest::newRow("game center") << 4;
    QTest::newRow("none") << 0;
    QTest::newRow("eight among others") << 12;
}

void WebViewTest::onlyPageTypeEight()
{
    QFETCH(int, type);
    PluginHarness harness;
    harness.bind();
    QWidget container;
    harness.vornik()->createView(type, PluginHarness::probePage().toString(), &container);
    QVERIFY(container.children().isEmpty());
    QVERIFY(pagesOf(harness.webManager()).isEmpty());
    QVERIFY(!container.layout());
}

void WebViewTest::widgetTree()
{
    // What the host and the user see of it: the view fills the container, the spinner sits over
    // it outside the layout, and the page can reach the bridge.
    m_harness = std::make_unique<PluginHarness>();
    m_harness->bind();
    QVERIFY(m_harness->showPage());

    QWidget* container = m_harness->container();
    auto* layout = qobject_cast<QBoxLayout*>(container->layout());
    QVERIFY(layout);
    QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(layout->count(), 1);
    auto* view = qobject_cast<QWebEngineView*>(layout->itemAt(0)->widget());
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(view->settings()->testAttribute(QWebEngineSettings::LocalStorageEnabled));
    QCOMPARE(view->page()->backgroundColor(), QColor(Qt::transparent));
    // What the page keeps (cookies, local storage, cache) outlasts the host's run.
    QWebEngineProfile* profile = view->page()->profile();
    QVERIFY(!profile->isOffTheRecord());
    QCOMPARE(profile->httpCacheType(), QWebEngineProfile::DiskHttpCache);

    auto* spinner = fromAddress<Waitloading>(view->page(), "spinner");
    QCOMPARE(spinner, container->findChild<Waitloading*>());
    QCOMPARE(layout->indexOf(spinner), -1);
    QVERIFY(spinner->imagePath().endsWith("/image/lo.svg"));
    QVERIFY(!spinner->isSpinning());
    // The watchdog of a load that finished stands still.
    QVERIFY(!fromAddress<QTimer>(view->page(), "timer")->isActive());
    QCOMPARE(view->page()->webChannel()->registeredObjects().value("webBridge"), m_harness->bridge());
}

void WebViewTest::secondCreateViewChangesNothing()
{
    const QUrl first = m_harness->page()->url();
    QWidget other;
    m_harness->vornik()->createView(8, QStringLiteral("file:///nonexistent/other.html"), &other);
    QVERIFY(other.children().isEmpty());
    QCOMPARE(pagesOf(m_harness->webManager()).size(), 1);
    QCOMPARE(m_harness->page()->url(), first);
    QCOMPARE(m_harness->page()->requestedUrl(), first);
}

void WebViewTest::nullContainer()
{
    PluginHarness harness;
    harness.bind();
    harness.vornik()->createView(8, PluginHarness::probePage().toString(), nullptr);
    const QList<QWebEnginePage*> pages = pagesOf(harness.webManager());
    QCOMPARE(pages.size(), 1);
    QWebEnginePage* page = pages.first();
    QSignalSpy finished(page, &QWebEnginePage::loadFinished);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
    QCOMPARE(page->requestedUrl(), PluginHarness::probePage());
    // Qt 6 dropped QWebEnginePage::view(); a view placed nowhere is a window of its own.
    QWebEngineView* view = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<QWebEngineView*>(widget); candidate && candidate->page() == page)
            view = candidate;
    }
    QVERIFY(view);
    QCOMPARE(view->parentWidget(), nullptr);
    // The host placed it nowhere; the plug-in does not show a window of its own.
    QVERIFY(!view->isVisible());
    delete view;
    delete fromAddress<Waitloading>(page, "spinner");
}

void WebViewTest::containerWithLayout()
{
    PluginHarness harness;
    harness.bind();
    QWidget container;
    auto* existing = new QHBoxLayout(&container);
    existing->addWidget(new QLabel("host's own widget"));
    harness.vornik()->createView(8, PluginHarness::probePage().toString(), &container);
    QCOMPARE(container.layout(), existing);
    QCOMPARE(existing->count(), 2);
    QCOMPARE(existing->itemAt(1)->widget()->metaObject()->className(), "MyWebEngineViewVK");
}

void WebViewTest::untrustedCertificateRefused()
{
    // The page carries the user's tokens: it never talks over a line it cannot trust.
    UntrustedServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("https://127.0.0.1:%1/").arg(server.serverPort());
    LogCapture logs;
    PluginHarness harness;
    harness.bind();
    QWidget container;
    harness.vornik()->createView(8, address, &container);
    QWebEnginePage* page = pagesOf(harness.webManager()).value(0);
    QVERIFY(page);
    QSignalSpy finished(page, &QWebEnginePage::loadFinished);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(server.handshakes > 0);
    QCOMPARE(server.received, QByteArray());
    QVERIFY(!logs.lines("MyWebEnginePage: certificate error on " + address + " refused").isEmpty());
}

void WebViewTest::hiddenViewKeepsPageVisible()
{
    auto* view = m_harness->container()->findChild<QWebEngineView*>();
    QWebEnginePage* page = m_harness->page();
    QCOMPARE(evaluate(page, "document.visibilityState").toString(), QStringLiteral("visible"));

    // The page hides its own view while it loads something; the page must not think it is hidden.
    sendFromPage(page, R"({"event":"openClientLoading"})");
    QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), 30000);
    QCOMPARE(evaluate(page, "document.visibilityState").toString(), QStringLiteral("visible"));

    // The host's own show/hide addresses page type 1, which this plug-in does not serve.
    m_harness->vornik()->setViewsVisible(true);
    QVERIFY(!view->isVisible());

    sendFromPage(page, R"({"event":"closeClientLoading"})");
    QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), 30000);
}

VORNIK_TEST_MAIN(WebViewTest)
#include "tst_webview.moc"
