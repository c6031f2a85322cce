#include "pagescript.h"

#include <QJsonDocument>
#include <QTest>
#include <QWebEnginePage>

#include <memory>

QVariant evaluate(QWebEnginePage* page, const QString& script, int timeoutMs)
{
    // Shared, so a result that arrives after the wait gave up writes into live memory.
    struct Result
    {
        QVariant value;
        bool done = false;
    };
    const auto result = std::make_shared<Result>();
    page->runJavaScript(script, [result](const QVariant& value) {
        result->value = value;
        result->done = true;
    });
    if (!QTest::qWaitFor([&] { return result->done; }, timeoutMs))
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
