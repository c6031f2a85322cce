#include "webmanager.h"

#include "mywebengineviewvk.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

WebManager::WebManager(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("WebManager"));
    // The look-up answer comes back through a queued call that names the type.
    qRegisterMetaType<QHostInfo>("QHostInfo");
    rendererClock.start();
    // The host's application object waits for every pool thread when it goes; a worker blocked
    // on its queue would keep the host from exiting, so quitting stops them as the destructor does.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &WebManager::stopDelivery);
}

WebManager::~WebManager()
{
    stopDelivery();
    for (SendInfo& info : sendInfos) {
        if (!info.semaphore)
            continue;
        // The worker's pool thread was added for it; give it back now that it has returned.
        QThreadPool* pool = QThreadPool::globalInstance();
        pool->setMaxThreadCount(pool->maxThreadCount() - 1);
        delete info.mutex;
        delete info.semaphore;
        info.mutex = nullptr;
        info.semaphore = nullptr;
    }
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
