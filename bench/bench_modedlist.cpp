// How long the GUI thread spends on a moded game list of N games: from the HTTP service's
// callback to the listener's event, including the N APK lookups the parse starts. A list ten
// times as long should cost about ten times as much.

#include "benchsupport.h"
#include "ifiledownhandle.h"
#include "ivornik.h"
#include "pluginharness.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <map>

class ModedListBench : public QObject
{
    Q_OBJECT
private slots:
    void parse()
    {
        PluginHarness harness;
        harness.bind();
        ModedListListener listener;
        harness.vornik()->addModedGameListListener(&listener);
        auto* handle = static_cast<IFileDownHandle*>(harness.object()->qt_metacast("IFileDownHandle"));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        const int small = 10000;
        const int large = benchSetting("VORNIK_BENCH_GAMES", 100000);
        const int runs = benchSetting("VORNIK_BENCH_RUNS", 3);
        std::map<int, QByteArray> replies{{small, moddedListReply(small)}, {large, moddedListReply(large)}};
        std::map<int, std::vector<double>> ms;
        // Alternating, so a busy spell on the machine falls on both sizes alike.
        for (int run = 0; run < runs; ++run) {
            for (int games : {small, large}) {
                HttpDaoRequest request;
                request.name = QStringLiteral("GetModedGameList");
                request.data = replies[games];
                const int before = listener.events;
                QElapsedTimer timer;
                timer.start();
                handle->downloadFinished(request);
                QTRY_COMPARE_WITH_TIMEOUT(listener.events, before + 1, 600000);
                ms[games].push_back(timer.nsecsElapsed() / 1e6);
                QCOMPARE(harness.vornik()->modedGameList()->size(), games);
                std::printf("%8d games: %8.1f ms (%.2f us per game)\n", games, ms[games].back(),
                            ms[games].back() * 1000.0 / games);
            }
        }
        qInstallMessageHandler(nullptr);
        const Spread smallSpread = spreadOf(ms[small]);
        const Spread largeSpread = spreadOf(ms[large]);
        const double ratio = largeSpread.median / smallSpread.median;
        report({QStringLiteral("P3"),
                QStringLiteral("moded list with APK lookups, %1 games, plug-in alone").arg(large),
                withSpread(largeSpread, "ms", 0), QStringLiteral("%1 games: %2").arg(small).arg(withSpread(smallSpread, "ms", 0)),
                QString::number(ratio, 'f', 2), QStringLiteral("ratio <= 12"), yesNo(ratio <= 12)});
    }
};

VORNIK_TEST_MAIN(ModedListBench)
#include "bench_modedlist.moc"
