#include "webmanager.h"

#include "mywebengineviewvk.h"
#include "waitloading.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QTimer>
#include <QWebChannel>
#include <QWebEnginePage>

WebManager::WebManager(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("WebManager"));
    // The look-up answer comes back through a queued call that names the type.
    qRegisterMetaType<QHostInfo>("QHostInfo");
    rendererClock.start();
    // The host's exit must never wait on a worker of ours, and a game command still waiting for
    // its address must not call a host that is closing down.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            quitting = true;
            stopDelivery();
        });
    }
}

WebManager::~WebManager()
{
    // Joined before the pages and the bridges they hand over to go with us.
    stopDelivery();
    deliveryWorkers.clear();
}

bool WebManager::hostQuitting() const
{
    return quitting || released || QCoreApplication::closingDown();
}

void WebManager::releaseForShutdown()
{
    if (released)
        return;
    released = true;
    stopDelivery();
    deliveryWorkers.clear();
    for (PageEntry& entry : pages) {
        // The view came from us, though it sits in the host's container; the page must go before
        // the web engine's profile does, and the view with it.
        delete entry.view.data();
        delete entry.page.data();
        delete entry.spinner.data();
    }
    pages.clear();
    delete channel;
    channel = nullptr;
    // The watchdogs and restart timers belong to this thread's event dispatcher, which goes
    // with the application.
    qDeleteAll(findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly));
}

void WebManager::forEachMatchingPage(int pageMask, const std::function<void(int, const PageEntry&)>& action)
{
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (it.key() & pageMask)
            action(it.key(), it.value());
    }
}

void WebManager::setViewsVisible(bool visible, int pageMask)
{
    forEachMatchingPage(pageMask, [visible](int, const PageEntry& page) {
        // A view the host put in no container stays out of sight rather than becoming a window.
        if (page.view && page.view->parentWidget())
            page.view->setVisible(visible);
    });
}
