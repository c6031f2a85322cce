#include "pagescript.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>

bool waitInEventLoop(const std::function<bool()>& predicate, int timeoutMs)
{
    if (predicate())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    bool held = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (predicate()) {
            held = true;
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return held || predicate();
}

QVariant evaluate(QWebEnginePage* page, const QString& script, int timeoutMs)
{
    // Shared, so a result that arrives after the wait gave up writes into live memory.
    struct Result
    {
        QVariant value;
        bool done = false;
        QPointer<QEventLoop> loop;
    };
    const auto result = std::make_shared<Result>();
    QEventLoop loop;
    result->loop = &loop;
    page->runJavaScript(script, [result](const QVariant& value) {
        result->value = value;
        result->done = true;
        if (result->loop)
            result->loop->quit();
    });
    // An event loop rather than a poll with sleeps: while it waits, the page's other traffic
    // through the web channel is served the moment it comes, not up to 10 ms later.
    if (!result->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!result->done)
        qWarning("script did not answer within %d ms: %s", timeoutMs, qPrintable(script));
    return result->value;
}

QJsonArray receivedMessages(QWebEnginePage* page)
{
    const QString text = evaluate(page, QStringLiteral("JSON.stringify(window.received || [])")).toString();
    return QJsonDocument::fromJson(text.toUtf8()).array();
}

void sendFromPage(QWebEnginePage* page, const QString& commandText)
{
    const QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{commandText}).toJson(QJsonDocument::Compact));
    evaluate(page, QStringLiteral("window.send(%1[0]); true").arg(quoted));
}
