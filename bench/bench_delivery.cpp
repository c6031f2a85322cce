// The page's side of the bridge and the plug-in's cost of it: a command's round trip against the
// web channel's own echo on the same page and object, what a send costs the GUI thread while the
// page's worker delivers, how a burst reaches a real page, and how many commands per second the
// inbound path takes.

#include "benchsupport.h"
#include "ivornik.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrl>

#include <cstdio>
#include <vector>

class DeliveryBench : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}); }
    void cleanupTestCase() { qInstallMessageHandler(nullptr); }

    void roundTrip()
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage(timingPage()));
        const int count = benchSetting("VORNIK_BENCH_ROUNDTRIPS", 200);
        const QJsonObject times = roundTrips(harness.page(), count, 25);
        QVERIFY(!times.isEmpty());
        const Spread command = spreadOf(numbers(times.value("command").toArray()));
        const Spread echo = spreadOf(numbers(times.value("echo").toArray()));
        const Spread call = spreadOf(numbers(times.value("call").toArray()));
        const double ratio = command.median / echo.median;
        std::printf("round trips, %d each, 25 ms apart: getLanguage %s, raw echo %s; a dropped dataChanged call to the "
                    "channel's answer to it %s\n",
                    count, qPrintable(withSpread(command, "ms", 3)), qPrintable(withSpread(echo, "ms", 3)),
                    qPrintable(withSpread(call, "ms", 3)));
        report({QStringLiteral("P1"), QStringLiteral("getLanguage round trip in the page, worker idle"),
                withSpread(command, "ms", 3), QStringLiteral("raw web channel echo: %1").arg(withSpread(echo, "ms", 3)),
                QString::number(ratio, 'f', 2), QStringLiteral("ratio <= 1.2"), yesNo(ratio <= 1.2)});
    }

    void sendCost()
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage(timingPage()));
        // The worker has a burst to deliver all along: every send meets it pacing or writing.
        const int runs = benchSetting("VORNIK_BENCH_RUNS", 3);
        std::vector<double> p99s;
        for (int run = 0; run < runs; ++run) {
            std::vector<double> costs;
            for (int i = 0; i < 2000; ++i) {
                QElapsedTimer timer;
                timer.start();
                harness.vornik()->sendToPage(8, QStringLiteral("burst"), QJsonObject{{"i", i}});
                costs.push_back(timer.nsecsElapsed() / 1000.0);
            }
            p99s.push_back(percentile(costs, 0.99));
            std::printf("sendToPage while the worker delivers: median %.1f us, p99 %.1f us, max %.1f us\n",
                        percentile(costs, 0.5), p99s.back(), percentile(costs, 1.0));
            spin(50);
        }
        const Spread p99 = spreadOf(p99s);
        report({QStringLiteral("P2"), QStringLiteral("sendToPage on the GUI thread during a burst, p99"),
                withSpread(p99, "us", 1), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("<= 50 us"),
                yesNo(p99.median <= 50)});
    }

    void burstToPage()
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage(timingPage()));
        const int count = 100;
        const int runs = benchSetting("VORNIK_BENCH_RUNS", 3);
        bool ordered = true;
        const std::vector<double> gaps = burstGaps(
            harness.page(), runs, count,
            [&](int run, int i) {
                harness.vornik()->sendToPage(8, QStringLiteral("burst"), QJsonObject{{"run", run}, {"i", i}});
            },
            &ordered);
        const Spread gap = spreadOf(gaps);
        std::printf("bursts of %d to the page, %d runs: gap %s, order %s\n", count, runs,
                    qPrintable(withSpread(gap, "ms", 2)), ordered ? "exact" : "BROKEN");
        report({QStringLiteral("P4"), QStringLiteral("burst of 100 to the page: gap between arrivals; order"),
                withSpread(gap, "ms", 2) + (ordered ? QStringLiteral("; exact") : QStringLiteral("; NOT in order")),
                QStringLiteral("the 10 ms pace"), QString::number(gap.median / 10.0, 'f', 3),
                QStringLiteral("10.0-10.6 ms; exact"), yesNo(ordered && gap.median >= 10.0 && gap.median <= 10.6)});
    }

    void inboundRate()
    {
        // The inbound path as a page's command takes it (origin gate, parse, command table, reply
        // queued), called straight on the bridge: the page and the channel are left out.
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage(timingPage()));
        QObject* bridge = harness.bridge();
        QVERIFY(bridge);
        const int count = 5000;
        const int runs = benchSetting("VORNIK_BENCH_RUNS", 3);
        QStringList texts;
        for (int i = 0; i < count; ++i)
            texts.append(QStringLiteral("{\"event\":\"getLanguage\",\"callbackEvent\":\"r%1\",\"data\":{}}").arg(i));
        std::vector<double> rates;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            for (const QString& text : qAsConst(texts))
                QMetaObject::invokeMethod(bridge, "dataChanged", Qt::DirectConnection, Q_ARG(QString, text));
            rates.push_back(count / (timer.nsecsElapsed() / 1e9));
            std::printf("inbound path: %d commands, %.0f per second\n", count, rates.back());
        }
        const Spread rate = spreadOf(rates);
        report({QStringLiteral("P7"), QStringLiteral("commands per second through the inbound path, no page"),
                QStringLiteral("%1 /s (%2-%3)").arg(rate.median, 0, 'f', 0).arg(rate.low, 0, 'f', 0).arg(rate.high, 0, 'f', 0),
                QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("reported"), QStringLiteral("-")});
    }
};

VORNIK_TEST_MAIN(DeliveryBench)
#include "bench_delivery.moc"
