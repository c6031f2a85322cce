// The two sides of page delivery: what a send costs the GUI thread while the page's worker is
// pausing, and how fast a burst reaches a real page.

#include "ivornik.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

class DeliveryBench : public QObject
{
    Q_OBJECT
private slots:
    void sendCost()
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage());
        std::vector<qint64> costs;
        for (int i = 0; i < 2000; ++i) {
            QElapsedTimer timer;
            timer.start();
            harness.vornik()->sendToPage(8, QStringLiteral("burst"), QJsonObject{{"i", i}});
            costs.push_back(timer.nsecsElapsed());
        }
        std::sort(costs.begin(), costs.end());
        std::printf("sendToPage while the worker paces 2000 messages: median %.1f us, p99 %.1f us, max %.1f us\n",
                    costs[costs.size() / 2] / 1000.0, costs[costs.size() * 99 / 100] / 1000.0, costs.back() / 1000.0);
    }

    void burstToPage()
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage());
        const int count = 300;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            harness.vornik()->sendToPage(8, QStringLiteral("burst"), QJsonObject{{"i", i}});
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(harness.page(), "window.received.length").toInt(), count, 120000);
        const qint64 ms = timer.elapsed();
        const QJsonArray received = receivedMessages(harness.page());
        const qint64 first = received.first().toObject().value("stamp").toVariant().toLongLong();
        const qint64 last = received.last().toObject().value("stamp").toVariant().toLongLong();
        std::printf("%d messages reached the page in %lld ms; stamps span %lld ms (%.2f ms apart on average)\n", count,
                    static_cast<long long>(ms), static_cast<long long>(last - first), (last - first) / double(count - 1));
    }
};

VORNIK_TEST_MAIN(DeliveryBench)
#include "bench_delivery.moc"
