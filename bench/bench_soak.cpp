// The plug-in alone over a long run, as a launcher left open for days drives it: the real plug-in
// file loaded and bound to a stand-in host that keeps only a small tail of its call log, its page
// shown, and round after round of page commands across the whole command table, pushes, moded
// list refreshes with their APK look-ups, language, account and country changes, a reload, and
// now and then a renderer restart. After the warm-up rounds it reads the process's RSS and heap
// (mallinfo2) at the end of each round and fits a line through them: what the plug-in keeps that
// grows with the work shows as a slope per round.

#include "benchsupport.h"
#include "hostcalllog.h"
#include "iplugin.h"
#include "ivornik.h"
#include "kevent.h"
#include "language.h"
#include "pagescript.h"
#include "pluginharness.h"
#include "standinaccount.h"
#include "standinhost.h"
#include "testmain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QTest>
#include <QWebEnginePage>

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Reading
{
    double rssMiB = 0;
    double heapMiB = 0; // in use: small blocks plus mmapped ones
    double heldMiB = 0; // what malloc holds from the system for them: its arenas plus mmapped blocks
};

Reading readMemory()
{
    Reading reading;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        if (fields.size() > 1)
            reading.rssMiB = fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
    }
    const struct mallinfo2 info = mallinfo2();
    reading.heapMiB = double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
    reading.heldMiB = double(info.arena + info.hblkhd) / (1024.0 * 1024.0);
    return reading;
}

// Least-squares slope of values against their index.
double slope(const std::vector<double>& values)
{
    const double n = double(values.size());
    if (n < 2)
        return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        sx += double(i);
        sy += values[i];
        sxx += double(i) * double(i);
        sxy += double(i) * values[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

} // namespace

class SoakBench : public QObject
{
    Q_OBJECT
public:
    // QtTest ends a test function after five minutes; the soak takes longer by design. Read by
    // QtTest when the first function starts, after this.
    SoakBench() { qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(6 * 3600 * 1000)); }

private slots:
    void soak();
};

void SoakBench::soak()
{
    const int warmUp = benchSetting("VORNIK_SOAK_WARMUP", 3);
    const int rounds = benchSetting("VORNIK_SOAK_ROUNDS", 10);
    const int commands = benchSetting("VORNIK_SOAK_COMMANDS", 100000);
    const int pushes = benchSetting("VORNIK_SOAK_PUSHES", 10000);
    const int refreshes = benchSetting("VORNIK_SOAK_REFRESHES", 100);
    const int games = benchSetting("VORNIK_SOAK_GAMES", 10000);
    const int restartEvery = benchSetting("VORNIK_SOAK_RESTART_EVERY", 3);
    if (!qEnvironmentVariableIsSet("VORNIK_SOAK_VERBOSE"))
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    PluginHarness harness;
    // No host call log to speak of: what the process keeps must be the plug-in's.
    harness.log()->setLimit(1000);
    QVERIFY(harness.bind());
    harness.plugin()->bindLanguage();
    harness.plugin()->bindAccount();
    ListListener listener;
    harness.vornik()->addModedGameListListener(&listener);
    QVERIFY(harness.showPage(QUrl::fromLocalFile(QStringLiteral(VORNIK_BENCH_PAGES "/soak.html"))));
    const QByteArray reply = moddedListReply(games);

    std::vector<double> rss, heap;
    QElapsedTimer total;
    total.start();
    for (int round = 0; round < warmUp + rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        // The most in use while the round's work is under way, sampled as it is waited for: set
        // beside what malloc holds after the round, it says whether the allocator keeps a peak.
        double peakMiB = 0;
        auto sampled = [&](bool done) {
            peakMiB = std::max(peakMiB, readMemory().heapMiB);
            return done;
        };
        // The commands first, then the pushes, which would queue ahead of another trigger. After a
        // reload the plug-in may load the page once more; a trigger sent into that is sent again.
        bool started = false;
        for (int attempt = 0; attempt < 12 && !started; ++attempt) {
            harness.vornik()->sendToPage(8, QStringLiteral("soak"), QJsonObject{{"count", commands}, {"serial", round}});
            started = waitInEventLoop([&] { return evaluate(harness.page(), "window.soakStarted").toInt() == round; }, 5000);
        }
        QVERIFY2(started, "the page never took up the round");
        for (int i = 0; i < pushes; ++i)
            harness.vornik()->sendToPage(8, QStringLiteral("soakPush"), QJsonObject{{"n", i}, {"round", round}});
        for (int i = 0; i < refreshes; ++i) {
            const int before = listener.events;
            harness.deliver(QStringLiteral("GetModedGameList"), reply);
            QVERIFY(waitInEventLoop([&] { return sampled(listener.events > before); }, 120000));
        }
        const char* languages[] = {"de", "pt", "en"};
        Language::instance()->setCurrentLanguage(QString::fromLatin1(languages[round % 3]));
        ACCOUNTINFO account;
        account.email = QStringLiteral("soak@example.com");
        account.userId = QStringLiteral("u%1").arg(round);
        account.token = QStringLiteral("tok-%1").arg(round);
        account.loggedIn = round % 2 == 0;
        harness.host()->account()->emitAccountChange(account);
        QCoreApplication::postEvent(harness.object(), new CountryCodeChangeEvent(round % 2 ? QStringLiteral("de") : QStringLiteral("us")));
        QVERIFY2(waitInEventLoop([&] { return sampled(evaluate(harness.page(), "window.soakDone").toInt() == round); }, 600000),
                 "the page's commands did not finish");
        // Everything pushed has reached the page before the round ends (the count starts with each load).
        QVERIFY2(waitInEventLoop([&] { return sampled(evaluate(harness.page(), "window.pushes").toInt() >= pushes); },
                                 pushes * 50 + 60000),
                 "the pushes did not all arrive");
        // Read where every round stands alike: its work done, before the reload or the restart.
        const Reading reading = readMemory();
        std::printf("round %2d%s: %6.1f s, RSS %7.1f MiB, heap %7.1f MiB in use (%7.1f at most during the round) of "
                    "%7.1f MiB malloc holds\n",
                    round, round < warmUp ? " (warm-up)" : "", timer.elapsed() / 1000.0, reading.rssMiB, reading.heapMiB,
                    peakMiB, reading.heldMiB);
        std::fflush(stdout);
        // A reload the page asks for, and now and then a renderer restart; the page is back
        // before the next round.
        evaluate(harness.page(), "window.ready = false; true");
        if (restartEvery > 0 && round % restartEvery == restartEvery - 1) {
            const qint64 pid = harness.page()->renderProcessPid();
            QVERIFY(pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0);
        } else {
            evaluate(harness.page(), "window.refreshThroughClient(); true");
        }
        QVERIFY2(waitInEventLoop([&] { return evaluate(harness.page(), "window.ready === true && window.soakDone === -1").toBool(); },
                                 120000),
                 "the page did not come back");
        if (round >= warmUp) {
            rss.push_back(reading.rssMiB);
            heap.push_back(reading.heapMiB);
        }
    }
    qInstallMessageHandler(nullptr);
    const double rssSlope = slope(rss);
    const double heapSlope = slope(heap);
    std::printf("%d rounds after %d of warm-up, each %d commands, %d pushes, %d refreshes of %d games; %.0f s in all\n"
                "slope per round: RSS %+.3f MiB, heap %+.3f MiB\n",
                rounds, warmUp, commands, pushes, refreshes, games, total.elapsed() / 1000.0, rssSlope, heapSlope);
    report({QStringLiteral("P11"),
            QStringLiteral("plug-in alone: heap slope per %1 commands, %2 pushes and %3 refreshes of %4 games")
                .arg(commands).arg(pushes).arg(refreshes).arg(games),
            QStringLiteral("%1 MiB").arg(heapSlope, 0, 'f', 3), QStringLiteral("RSS: %1 MiB").arg(rssSlope, 0, 'f', 3),
            QStringLiteral("-"), QStringLiteral("heap <= 0.1 MiB"), yesNo(heapSlope <= 0.1)});
    // Under a heap profiler, what is still allocated here is what the run holds at its end, with
    // nothing freed by the teardown: two runs of different lengths, compared, show what grows.
    if (qEnvironmentVariableIsSet("VORNIK_SOAK_EXIT_AT_END")) {
        std::fflush(stdout);
        ::_exit(0);
    }
}

VORNIK_TEST_MAIN(SoakBench)
#include "bench_soak.moc"
