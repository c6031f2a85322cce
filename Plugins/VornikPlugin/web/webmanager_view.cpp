#include "webmanager.h"

#include "mywebenginepage.h"
#include "mywebengineviewvk.h"
#include "objectproperty.h"
#include "waitloading.h"
#include "webbridge.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDebug>
#include <QTimer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

void WebManager::createView(int type, const QString& url, QWidget* parent)
{
    if (type != kOwnPageType || pages.contains(kOwnPageType) || released)
        return;

    auto* view = new MyWebEngineViewVK(parent);
    auto* page = new MyWebEnginePage(this);
    view->setPage(page);

    page->profile()->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    page->setBackgroundColor(Qt::transparent);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->settings()->setAttribute(QWebEngineSettings::WebGLEnabled, true);
    view->settings()->setAttribute(QWebEngineSettings::LocalStorageEnabled, true);

    auto* bridge = new WebBridge(this);
    connect(bridge, &WebBridge::htmlData, this, &WebManager::onHtmlData);

    auto* spinner = new Waitloading(QCoreApplication::applicationDirPath() + QStringLiteral("/image/lo.svg"), parent);

    pages[kOwnPageType] = PageEntry{view, bridge, spinner, url, page};

    view->setContextMenuPolicy(Qt::NoContextMenu);
    page->setProperty("spinner", addressProperty(spinner));
    page->setProperty("type", kOwnPageType);

    if (parent) {
        // setLayout refuses a second layout, so a container that has one keeps it and the view
        // goes into that one.
        auto* layout = new QBoxLayout(QBoxLayout::TopToBottom);
        layout->setContentsMargins(0, 0, 0, 0);
        if (parent->layout())
            delete layout;
        else
            parent->setLayout(layout);
        parent->layout()->addWidget(view);
        view->adjustSize();
        view->resize(parent->size());
    }

    channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("webBridge"), bridge);
    page->setWebChannel(channel);

    qInfo().noquote() << "[booting time][start]: [vk webengine] set url";
    startLoad(page, QUrl(url, QUrl::TolerantMode), false);

    auto* watchdog = new QTimer(this);
    page->setProperty("timer", addressProperty(watchdog));
    watchdog->setProperty("page", addressProperty(page));
    watchdog->setInterval(watchdogInterval());
    connect(watchdog, &QTimer::timeout, this, &WebManager::onTimeOut);
    watchdog->start();

    connect(page, &QWebEnginePage::loadFinished, this, &WebManager::onLoadFinished);
    connect(page, &QWebEnginePage::loadStarted, this, &WebManager::onLoadStarted);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &WebManager::onRenderProcessTerminated);

    setViewsVisible(false, kOwnPageType);
    domainTest(kOwnPageType);
}
