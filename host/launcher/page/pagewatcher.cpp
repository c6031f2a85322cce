#include "launcher/page/pagewatcher.h"

#include <QDebug>
#include <QFileInfo>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

namespace {
constexpr int kReadyPollMs = 200;
const QString kBridgeName = QStringLiteral("webBridge");

QObject* bridgeOf(QWebEnginePage* page)
{
    QWebChannel* channel = page ? page->webChannel() : nullptr;
    return channel ? channel->registeredObjects().value(kBridgeName) : nullptr;
}
} // namespace

PageWatcher::PageWatcher(QObject* parent)
    : QObject(parent)
{
    m_poll.setInterval(kReadyPollMs);
    connect(&m_poll, &QTimer::timeout, this, &PageWatcher::askReady);
}

bool PageWatcher::watch(QWidget* container)
{
    m_view = container->findChild<QWebEngineView*>();
    if (!m_view || !m_view->page())
        return false;
    QWebEnginePage* page = m_view->page();
    connect(page, &QWebEnginePage::loadStarted, this, &PageWatcher::onLoadStarted);
    connect(page, &QWebEnginePage::loadFinished, this, &PageWatcher::onLoadFinished);
    if (QObject* bridge = bridgeOf(page))
        connect(bridge, SIGNAL(htmlData(QString)), this, SLOT(onCommand()));
    if (!m_traffic.watch(page))
        qWarning().noquote() << "vornik-launcher: the page has no \"webBridge\" on its web channel; its traffic is not shown";
    return true;
}

bool PageWatcher::loaded() const
{
    return m_loaded;
}

bool PageWatcher::offline() const
{
    const QUrl address = url();
    return address.isLocalFile() && QFileInfo(address.toLocalFile()).fileName() == QLatin1String("offline.html");
}

bool PageWatcher::ready() const
{
    return m_ready;
}

QUrl PageWatcher::url() const
{
    return m_view && m_view->page() ? m_view->page()->url() : QUrl();
}

PageTraffic* PageWatcher::traffic()
{
    return &m_traffic;
}

QWebEnginePage* PageWatcher::page() const
{
    return m_view ? m_view->page() : nullptr;
}

bool PageWatcher::refresh(QString* error)
{
    QObject* bridge = bridgeOf(page());
    if (!bridge) {
        *error = QStringLiteral("the page has no \"webBridge\" on its web channel to refresh through");
        return false;
    }
    // Queued, as the channel delivers the page's own: the plug-in hides the view and tests the
    // host after whoever asked has had its answer.
    QMetaObject::invokeMethod(bridge, "dataChanged", Qt::QueuedConnection,
                              Q_ARG(QString, QStringLiteral("{\"event\":\"notifyClientRefresh\"}")));
    return true;
}

QJsonObject PageWatcher::state() const
{
    return QJsonObject{
        {QStringLiteral("url"), url().toString()},
        {QStringLiteral("loaded"), m_loaded},
        {QStringLiteral("offline"), offline()},
        {QStringLiteral("ready"), m_ready},
    };
}

void PageWatcher::onLoadStarted()
{
    m_poll.stop();
    m_loaded = false;
    m_ready = false;
    m_commandSeen = false;
    emit stateChanged();
}

void PageWatcher::onLoadFinished(bool ok)
{
    // The plug-in starts a second load while the first runs; only a load that ended well counts.
    m_loaded = ok;
    // A script may connect and send before its load has finished.
    m_ready = ok && (offline() || m_commandSeen);
    if (m_loaded && !m_ready)
        m_poll.start();
    emit stateChanged();
}

void PageWatcher::onCommand()
{
    m_commandSeen = true;
    if (!m_loaded || m_ready)
        return;
    m_poll.stop();
    m_ready = true;
    emit stateChanged();
}

void PageWatcher::askReady()
{
    if (!m_view || !m_view->page()) {
        m_poll.stop();
        return;
    }
    const QUrl askedAbout = url();
    QPointer<PageWatcher> self(this);
    m_view->page()->runJavaScript(QStringLiteral("document.documentElement.dataset.ready === 'true'"),
                                  [self, askedAbout](const QVariant& answer) {
                                      // A late answer about a page that has gone since means nothing.
                                      if (!self || !self->m_loaded || self->m_ready || self->url() != askedAbout
                                          || !answer.toBool())
                                          return;
                                      self->m_poll.stop();
                                      self->m_ready = true;
                                      emit self->stateChanged();
                                  });
}
