#include "pluginharness.h"

#include "hostcalllog.h"
#include "ifiledownhandle.h"
#include "iplugin.h"
#include "ivornik.h"
#include "pagescript.h"
#include "standinhost.h"
#include "standinpluginmanager.h"

#include <QPluginLoader>
#include <QTest>
#include <QThreadPool>
#include <QWebEnginePage>
#include <QWebEngineView>

PluginHarness::PluginHarness(const HostProfile& profile)
    : m_host(std::make_unique<StandInHost>(profile))
{
    m_host->applyProfile();
    m_object = pluginInstance();
}

PluginHarness::~PluginHarness()
{
    destroyPlugin();
    m_container.reset();
}

HostProfile PluginHarness::testProfile()
{
    HostProfile profile;
    // An address literal: its look-up is answered at once, without a resolver, so the page's second
    // load starts before the first has finished and the page settles after one finished load.
    profile.appConfig.insert(AppConfigWebTestUrl, QStringLiteral("http://127.0.0.1/"));
    profile.appConfig.insert(AppConfigVornikEnabled, true);
    profile.language = QStringLiteral("en");
    return profile;
}

QUrl PluginHarness::probePage()
{
    return QUrl::fromLocalFile(QStringLiteral(VORNIK_TEST_PAGES "/probe.html"));
}

QObject* PluginHarness::pluginInstance()
{
    // Never unloaded: the web engine and the process-wide state of the plug-in stay with the
    // process, as they do in the host.
    static QPluginLoader* loader = new QPluginLoader(QStringLiteral(VORNIK_PLUGIN_FILE));
    QObject* instance = loader->instance();
    if (!instance)
        qFatal("cannot load the plug-in: %s", qPrintable(loader->errorString()));
    return instance;
}

QObject* PluginHarness::object() const
{
    return m_object;
}

IPlugin* PluginHarness::plugin() const
{
    return qobject_cast<IPlugin*>(m_object);
}

IVornik* PluginHarness::vornik() const
{
    return qobject_cast<IVornik*>(m_object);
}

StandInHost* PluginHarness::host() const
{
    return m_host.get();
}

HostCallLog* PluginHarness::log() const
{
    return m_host->log();
}

bool PluginHarness::bind()
{
    m_host->registerPlugin(plugin());
    return plugin()->bindHost(m_host->pluginManager(), 0);
}

bool PluginHarness::showPage(const QUrl& url)
{
    m_container = std::make_unique<QWidget>();
    m_container->resize(800, 600);
    m_container->show();
    vornik()->createView(8, url.toString(), m_container.get());
    QWebEnginePage* webPage = page();
    if (!webPage)
        return false;
    QObject::connect(webPage, &QWebEnginePage::loadStarted, [this] { ++m_loadsStarted; });
    QObject::connect(webPage, &QWebEnginePage::loadFinished, [this](bool ok) {
        ++m_loadsFinished;
        m_lastLoadOk = ok;
    });
    // Let the connectivity test answer (it does on the first pass of the event loop), then wait
    // for the page it loaded again to finish.
    QCoreApplication::processEvents();
    const bool settled = waitInEventLoop([this] { return m_loadsFinished >= 1 && m_loadsFinished >= m_loadsStarted; }, 60000);
    if (!settled || !m_lastLoadOk)
        return false;
    return waitInEventLoop([webPage] { return evaluate(webPage, QStringLiteral("window.ready === true")).toBool(); }, 30000);
}

QWidget* PluginHarness::container() const
{
    return m_container.get();
}

QWebEnginePage* PluginHarness::page() const
{
    if (!m_container)
        return nullptr;
    auto* view = m_container->findChild<QWebEngineView*>();
    return view ? view->page() : nullptr;
}

QObject* PluginHarness::webManager() const
{
    return m_object ? m_object->findChild<QObject*>(QStringLiteral("WebManager")) : nullptr;
}

QObject* PluginHarness::bridge() const
{
    QObject* manager = webManager();
    if (!manager)
        return nullptr;
    for (QObject* child : manager->children()) {
        if (child->metaObject()->className() == QByteArrayLiteral("WebBridge"))
            return child;
    }
    return nullptr;
}

void PluginHarness::deliver(const QString& requestName, const QByteArray& body)
{
    HttpDaoRequest reply;
    reply.name = requestName;
    reply.data = body;
    static_cast<IFileDownHandle*>(m_object->qt_metacast("IFileDownHandle"))->downloadFinished(reply);
}

void PluginHarness::destroyPlugin()
{
    delete m_object.data();
}
