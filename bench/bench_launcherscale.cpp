// The reference launcher at real list sizes: how long the GUI thread is held up, and how long a
// moded game list takes end to end (web service -> plug-in -> APK lookups -> host call log ->
// console -> /control/log), next to what the plug-in alone takes for the same list, in one run;
// and the pace a page sees in the workbench with the console following its traffic, next to the
// pace it sees from the plug-in alone.
//
// VORNIK_BENCH_GAMES (default 100000) sets the list size, VORNIK_BENCH_ROWS (default 100000) the
// number of calls fed to a console on its own.

#include "benchsupport.h"
#include "launcher/service/controlapi.h"
#include "hostcalllog.h"
#include "launcher/console/hostconsole.h"
#include "launcher/host/hostevents.h"
#include "launcher/host/hostfaults.h"
#include "hostprofile.h"
#include "ifiledownhandle.h"
#include "iplugin.h"
#include "ivornik.h"
#include "launcher/app/launcherprofile.h"
#include "launcher/service/launchersite.h"
#include "launcher/app/mainwindow.h"
#include "launcher/host/modedgamelistener.h"
#include "pagescript.h"
#include "launcher/page/pagewatcher.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "testmain.h"
#include "launcher/service/webservice.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QWebChannel>
#include <QHostAddress>
#include <QPaintEvent>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <sched.h>
#include <functional>
#include <thread>
#include <vector>

namespace {

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Ticks every 5 ms on the GUI thread; a tick that comes late shows how long the thread was held,
// and the thread's CPU time over that stretch how much of it the thread was working (on a busy
// machine the rest is waiting for a core).
class Stalls : public QObject
{
public:
    struct Gap
    {
        qint64 from;
        qint64 to;
        qint64 cpu;
    };

    explicit Stalls(const QElapsedTimer& clock)
        : m_clock(clock)
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(5);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.elapsed();
            const qint64 cpu = threadCpuMs();
            if (now - m_last > 20)
                gaps.append({m_last, now, cpu - m_lastCpu});
            m_last = now;
            m_lastCpu = cpu;
            if (onTick)
                onTick(now);
        });
    }
    void start()
    {
        m_last = m_clock.elapsed();
        m_lastCpu = threadCpuMs();
        m_tick.start();
    }
    void stop() { m_tick.stop(); }
    // How much of a gap lies outside [from, to].
    static qint64 outside(const Gap& gap, qint64 from, qint64 to)
    {
        const qint64 overlap = qMax<qint64>(0, qMin(gap.to, to) - qMax(gap.from, from));
        return gap.to - gap.from - overlap;
    }
    // The gap with the longest stretch outside [from, to].
    Gap longestOutside(qint64 from, qint64 to) const
    {
        Gap longest{0, 0, 0};
        for (const Gap& gap : gaps) {
            if (outside(gap, from, to) > outside(longest, from, to))
                longest = gap;
        }
        return longest;
    }
    int countOutside(qint64 from, qint64 to, qint64 over) const
    {
        int count = 0;
        for (const Gap& gap : gaps)
            count += outside(gap, from, to) > over;
        return count;
    }
    Gap longestWithin(qint64 from, qint64 to) const
    {
        Gap longest{0, 0, 0};
        for (const Gap& gap : gaps) {
            if (gap.to >= from && gap.from <= to && gap.to - gap.from > longest.to - longest.from)
                longest = gap;
        }
        return longest;
    }

    QVector<Gap> gaps;
    std::function<void(qint64 now)> onTick;

private:
    static qint64 threadCpuMs() { return threadCpuNs() / 1000000; }

    const QElapsedTimer& m_clock;
    QTimer m_tick;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
};

// Whether the console's view shows seq as its last row.
bool consoleShows(QWidget* parent, qint64 seq)
{
    auto* view = parent->findChild<QAbstractItemView*>();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model || model->rowCount() == 0)
        return false;
    return model->index(model->rowCount() - 1, 0).data().toString() == QString::number(seq);
}

struct Fetched
{
    qint64 ms = -1;
    QByteArray body;
};

// A GET from a thread of its own, as a script would make it: the GUI thread only does the
// launcher's part of the answer.
Fetched fetch(int port, const QByteArray& target)
{
    Fetched fetched;
    std::atomic<bool> done{false};
    std::thread client([&] {
        QElapsedTimer timer;
        timer.start();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        if (socket.waitForConnected(60000)) {
            socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port)
                         + "\r\nConnection: close\r\n\r\n");
            QByteArray raw;
            while (socket.waitForReadyRead(600000))
                raw += socket.readAll();
            raw += socket.readAll();
            fetched.ms = timer.elapsed();
            fetched.body = raw.mid(raw.indexOf("\r\n\r\n") + 4);
        }
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done.load(); }, 600000))
        std::printf("no answer to %s\n", target.constData());
    client.join();
    return fetched;
}

// How often the window is put on the screen and what that costs the GUI thread: every sync of
// the window's backing store (an UpdateRequest to the window) is timed here, and every widget
// painted is counted with its area, the console's apart.
class Composes : public QObject
{
public:
    Composes(QWidget* window, QWidget* console)
        : m_window(window)
        , m_console(console)
    {
        qApp->installEventFilter(this);
    }
    ~Composes() override { qApp->removeEventFilter(this); }

    struct Counts
    {
        int syncs = 0;
        qint64 syncNs = 0;
        qint64 longestSyncNs = 0;
        int consolePaints = 0;
        qint64 consolePixels = 0;
        int otherPaints = 0;
        qint64 otherPixels = 0;
    };
    Counts counts;

    void print(const char* what, qint64 ms) const
    {
        std::printf("  %s: %d syncs of the window in %lld ms (%.1f ms of GUI thread, longest %.2f ms); painted: "
                    "console %d times, %.1f Mpx; the rest %d times, %.1f Mpx\n",
                    what, counts.syncs, (long long)ms, counts.syncNs / 1e6, counts.longestSyncNs / 1e6,
                    counts.consolePaints, counts.consolePixels / 1e6, counts.otherPaints, counts.otherPixels / 1e6);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::UpdateRequest && !m_inSync) {
            // The window's own handling, timed: it paints what is dirty and flushes the window.
            // Sent on rather than handled here, so that the window's own filters see it too.
            m_inSync = true;
            QElapsedTimer timer;
            timer.start();
            QCoreApplication::sendEvent(m_window, event);
            const qint64 ns = timer.nsecsElapsed();
            m_inSync = false;
            ++counts.syncs;
            counts.syncNs += ns;
            counts.longestSyncNs = qMax(counts.longestSyncNs, ns);
            return true;
        }
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            qint64 pixels = 0;
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(rect.width()) * rect.height();
            if (m_console->isAncestorOf(widget) || widget == m_console) {
                ++counts.consolePaints;
                counts.consolePixels += pixels;
            } else if (m_window->isAncestorOf(widget)) {
                ++counts.otherPaints;
                counts.otherPixels += pixels;
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    QWidget* m_console;
    bool m_inSync = false;
};

// Where a command's round trip spends its time inside the process: the GUI thread reading the
// page's call (the bridge's htmlData), the reply handed over (contentChanged, on the GUI thread
// once the page's worker lets it go), and, for a signal emitted on another thread, the GUI thread
// taking the web channel's queued copy of it. The rest of
// the page's figure is the engine's two legs.
class Hops : public QObject
{
    Q_OBJECT
public:
    explicit Hops(QWebEnginePage* page)
        : m_channel(page->webChannel())
    {
        m_clock.start();
        QObject* bridge = m_channel->registeredObjects().value(QStringLiteral("webBridge"));
        connect(bridge, SIGNAL(htmlData(QString)), this, SLOT(read(QString)), Qt::DirectConnection);
        connect(bridge, SIGNAL(contentChanged(QJsonObject)), this, SLOT(handedOver(QJsonObject)),
                Qt::DirectConnection);
        qApp->installEventFilter(this);
    }
    ~Hops() override { qApp->removeEventFilter(this); }

    // Per command: GUI read -> worker hand-over, hand-over -> GUI takes it, and the GUI's handling.
    void print(const char* where, const std::vector<double>& pageMs) const
    {
        std::vector<double> toWorker, back, sending, inside, engine;
        const size_t n = std::min({m_readNs.size(), m_handedNs.size(), m_takenNs.size(), pageMs.size()});
        for (size_t i = 0; i < n; ++i) {
            toWorker.push_back((m_handedNs[i] - m_readNs[i]) / 1e6);
            back.push_back((m_takenNs[i] - m_handedNs[i]) / 1e6);
            sending.push_back(m_sendNs[i] / 1e6);
            inside.push_back((m_takenNs[i] + m_sendNs[i] - m_readNs[i]) / 1e6);
            engine.push_back(pageMs[i] - inside.back());
        }
        const auto show = [](const char* what, const std::vector<double>& ms) {
            std::printf("    %-34s p50 %.3f / p90 %.3f / max %.3f ms\n", what, percentile(ms, 0.5),
                        percentile(ms, 0.9), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
        };
        std::printf("  %s, the command inside the process (%zu of %zu read, %zu handed over, %zu taken back):\n",
                    where, n, m_readNs.size(), m_handedNs.size(), m_takenNs.size());
        show("GUI read -> worker hands over", toWorker);
        show("worker -> GUI takes the signal", back);
        show("GUI sends it on", sending);
        show("all inside the process", inside);
        show("the engine's legs (page - inside)", engine);
        // The slowest tenth by the page's figure: which part grew.
        std::vector<size_t> order(n);
        for (size_t i = 0; i < n; ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return pageMs[a] > pageMs[b]; });
        double sums[4] = {0, 0, 0, 0};
        const size_t slow = std::max<size_t>(1, n / 10);
        for (size_t k = 0; k < slow && k < n; ++k) {
            sums[0] += pageMs[order[k]];
            sums[1] += toWorker[order[k]];
            sums[2] += back[order[k]];
            sums[3] += engine[order[k]];
        }
        std::printf("    slowest tenth, mean: page %.3f, to worker %.3f, back %.3f, engine %.3f ms\n", sums[0] / slow,
                    sums[1] / slow, sums[2] / slow, sums[3] / slow);
    }

public slots:
    void read(const QString& text)
    {
        if (text.contains(QLatin1String("\"command-")))
            m_readNs.push_back(m_clock.nsecsElapsed());
    }
    void handedOver(const QJsonObject& message)
    {
        if (!message.value(QStringLiteral("event")).toString().startsWith(QLatin1String("command-")))
            return;
        QMutexLocker lock(&m_mutex);
        m_handedNs.push_back(m_clock.nsecsElapsed());
        // Handed over on the GUI thread itself (the worker paces, the GUI thread hands over): the
        // channel sends it on inside this emission, with no queued copy to take.
        if (QThread::currentThread() == qApp->thread()) {
            m_takenNs.push_back(m_handedNs.back());
            m_sendNs.push_back(0);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MetaCall || m_inside)
            return false;
        // The channel's signal handler is a plain object of its own, without a parent.
        if (watched->metaObject() != &QObject::staticMetaObject || watched->parent())
            return false;
        const qint64 taken = m_clock.nsecsElapsed();
        m_inside = true;
        watched->event(event);
        m_inside = false;
        m_takenNs.push_back(taken);
        m_sendNs.push_back(m_clock.nsecsElapsed() - taken);
        return true;
    }

private:
    QWebChannel* m_channel;
    QElapsedTimer m_clock;
    QMutex m_mutex;
    bool m_inside = false;
    std::vector<qint64> m_readNs, m_handedNs, m_takenNs, m_sendNs;
};

struct PageTimes
{
    std::vector<double> gaps;
    bool ordered = true;
    std::vector<double> command;
    // The web channel's own echo, timed alternating with the command: a tail both share is the
    // engine's and the channel's, not the plug-in's or the workbench's.
    std::vector<double> echo;
};

// What the timing page sees: bursts of 100 messages from the plug-in (each a row of the console's
// page traffic) and round trips of a command. No round trip timed: an empty list of them.
PageTimes pageTimes(const char* where, IVornik* vornik, QWebEnginePage* page)
{
    PageTimes times;
    const int runs = benchSetting("VORNIK_BENCH_RUNS", 3);
    times.gaps = burstGaps(
        page, runs, 100,
        [&](int run, int i) { vornik->sendToPage(8, QStringLiteral("burst"), QJsonObject{{"run", run}, {"i", i}}); },
        &times.ordered);
    Hops hops(page);
    const QJsonObject trips = roundTrips(page, benchSetting("VORNIK_BENCH_ROUNDTRIPS", 200), 25);
    times.command = numbers(trips.value("command").toArray());
    times.echo = numbers(trips.value("echo").toArray());
    hops.print(where, times.command);
    return times;
}

QString paceOf(const PageTimes& times)
{
    return QStringLiteral("gaps p10 %1 / p50 %2 / p90 %3 ms%4")
        .arg(percentile(times.gaps, 0.1), 0, 'f', 2)
        .arg(percentile(times.gaps, 0.5), 0, 'f', 2)
        .arg(percentile(times.gaps, 0.9), 0, 'f', 2)
        .arg(times.ordered ? QString() : QStringLiteral(", NOT in order"));
}

QString roundTripOf(const PageTimes& times)
{
    return QStringLiteral("median %1 / p90 %2 ms (raw echo %3 / %4)")
        .arg(percentile(times.command, 0.5), 0, 'f', 2)
        .arg(percentile(times.command, 0.9), 0, 'f', 2)
        .arg(percentile(times.echo, 0.5), 0, 'f', 2)
        .arg(percentile(times.echo, 0.9), 0, 'f', 2);
}

} // namespace

class LauncherScaleBench : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}); }
    void cleanupTestCase();
    void log();
    void console();
    void endToEnd_data();
    void endToEnd();
    void workbenchPace();

private:
    // Of every endToEnd run: the plug-in alone, and the launcher until the console shows the last call.
    std::vector<double> m_pluginAloneMs;
    std::vector<double> m_launcherMs;
};

namespace {

// What the control API does for /control/log?since=SEQ: on the GUI thread, and where the body is
// made (the transport's thread).
void answerLog(ControlApi* control, qint64 since, const char* what)
{
    HttpRequest request;
    request.method = "GET";
    request.path = "/control/log";
    request.query.insert("since", QString::number(since));
    QElapsedTimer timer;
    timer.start();
    const HttpResponse response = control->handle(request);
    const qint64 gui = timer.nsecsElapsed();
    const qint64 cpu = threadCpuNs();
    const QByteArray body = response.content();
    const qint64 all = timer.nsecsElapsed();
    std::printf("  ?since=%-6lld %-28s GUI thread %6.2f ms; body of %9lld bytes made in %6.1f ms (%6.1f ms CPU)\n",
                (long long)since, what, gui / 1e6, (long long)body.size(), (all - gui) / 1e6,
                (threadCpuNs() - cpu) / 1e6);
}

} // namespace

void LauncherScaleBench::log()
{
    // Recording, with a log file, as the host's stand-ins record a lookup each; then what the
    // control API does for the whole log and for a poll of its newest entries, with and without
    // the texts the file writer made.
    const int calls = benchSetting("VORNIK_BENCH_ROWS", 100000);
    QTemporaryDir dir;
    std::printf("log: %d calls, with a log file\n%12s %14s %18s\n", calls, "calls", "us per call",
                "CPU us per call");
    const int block = 10000;
    HostCallLog filed;
    QVERIFY(filed.setFile(dir.filePath("host.jsonl")));
    for (int done = 0; done < calls; done += block) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpu = threadCpuNs();
        for (int i = 0; i < block; ++i)
            filed.record("ISimulatorMgr", "requestApkUrl", {QStringLiteral("com.example.game%1").arg(done + i), true, 0, 0});
        std::printf("%12d %14.2f %18.2f\n", done + block, timer.nsecsElapsed() / 1000.0 / block,
                    (threadCpuNs() - cpu) / 1000.0 / block);
    }
    // The writer has written them all once the file is closed.
    QVERIFY(filed.setFile(QString()));

    HostCallLog unfiled;
    for (int i = 0; i < calls; ++i)
        unfiled.record("ISimulatorMgr", "requestApkUrl", {QStringLiteral("com.example.game%1").arg(i), true, 0, 0});
    StandInHost host(PluginHarness::testProfile());
    HostEvents events(&host, nullptr);
    ControlApi withFile(&events, nullptr, &filed, {});
    ControlApi withoutFile(&events, nullptr, &unfiled, {});
    std::printf("/control/log, %d entries:\n", calls);
    answerLog(&withFile, 0, "(texts from the file writer)");
    answerLog(&withoutFile, 0, "(no file: texts made now)");
    answerLog(&withoutFile, 0, "(no file, again)");
    answerLog(&withoutFile, calls - 10, "(a poll)");
}

void LauncherScaleBench::console()
{
    // A console on its own, fed calls in bursts of 1000 per pass of the event loop, as a host
    // under load records them; the time to catch up per block of rows should not grow.
    const int rows = benchSetting("VORNIK_BENCH_ROWS", 100000);
    HostCallLog log;
    StandInHost host(PluginHarness::testProfile(), &log);
    HostEvents events(&host, nullptr);
    HostConsole console(&log, &events);
    console.resize(420, 760);
    console.show();
    QVERIFY(QTest::qWaitForWindowExposed(&console));
    QElapsedTimer clock;
    clock.start();
    Stalls stalls(clock);
    stalls.start();

    std::printf("console: %d calls in bursts of 1000\n%12s %14s %18s\n", rows, "rows", "ms per 10k", "longest stall ms");
    const int block = 10000;
    qint64 seq = 0;
    for (int done = 0; done < rows; done += block) {
        const qint64 started = clock.elapsed();
        const int gapsBefore = stalls.gaps.size();
        for (int i = 0; i < block; ++i) {
            log.record("ISimulatorMgr", "requestApkUrl",
                       {QStringLiteral("com.example.game%1").arg(done + i), true, 0, 0});
            ++seq;
            if (i % 1000 == 999)
                QCoreApplication::processEvents();
        }
        QVERIFY(QTest::qWaitFor([&] { return consoleShows(&console, seq); }, 3600000));
        qint64 longest = 0;
        for (int g = gapsBefore; g < stalls.gaps.size(); ++g)
            longest = qMax(longest, stalls.gaps[g].to - stalls.gaps[g].from);
        std::printf("%12d %14lld %18lld\n", done + block, static_cast<long long>(clock.elapsed() - started),
                    static_cast<long long>(longest));
        std::fflush(stdout);
    }
    stalls.stop();
}

void LauncherScaleBench::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
    if (m_launcherMs.empty())
        return;
    const Spread alone = spreadOf(m_pluginAloneMs);
    const Spread launcher = spreadOf(m_launcherMs);
    const double ratio = launcher.median / alone.median;
    report({QStringLiteral("P3e"),
            QStringLiteral("moded list of %1 games through the launcher, end to end").arg(benchSetting("VORNIK_BENCH_GAMES", 100000)),
            withSpread(launcher, "ms", 0), QStringLiteral("plug-in alone: %1").arg(withSpread(alone, "ms", 0)),
            QString::number(ratio, 'f', 2), QStringLiteral("<= 3 x plug-in alone"), yesNo(ratio <= 3)});
}

void LauncherScaleBench::endToEnd_data()
{
    // Rows only to repeat the run: the figure is the median over them.
    QTest::addColumn<int>("run");
    for (int run = 1; run <= benchSetting("VORNIK_BENCH_RUNS", 3); ++run)
        QTest::addRow("run %d", run) << run;
}

void LauncherScaleBench::endToEnd()
{
    const int games = benchSetting("VORNIK_BENCH_GAMES", 100000);
    const QJsonArray list = moddedGames(games);

    // The plug-in alone: the reply handed to it as the HTTP service does, until its listener
    // hears of the list (what bench_modedlist measures).
    qint64 pluginAloneMs = 0;
    {
        PluginHarness harness;
        harness.bind();
        ModedListListener listener;
        harness.vornik()->addModedGameListListener(&listener);
        HttpDaoRequest request;
        request.name = QStringLiteral("GetModedGameList");
        request.data = QJsonDocument(QJsonObject{{"data", list}}).toJson(QJsonDocument::Compact);
        auto* handle = static_cast<IFileDownHandle*>(harness.object()->qt_metacast("IFileDownHandle"));
        QElapsedTimer timer;
        timer.start();
        handle->downloadFinished(request);
        QVERIFY(QTest::qWaitFor([&] { return listener.events == 1; }, 600000));
        pluginAloneMs = timer.elapsed();
    }

    // The launcher as main() puts it together (without the page), with a host log file and an
    // APK address for every game.
    QTemporaryDir dir;
    WebService service;
    QString error;
    QVERIFY2(service.bind(0, &error), qPrintable(error));
    HostProfile profile = PluginHarness::testProfile();
    profile.modedGames = list;
    for (int i = 0; i < games; ++i)
        profile.apkUrls.insert(QStringLiteral("com.example.game%1").arg(i),
                               QStringLiteral("https://downloads.example.com/game%1.apk").arg(i));
    useServiceAddressByDefault(&profile, service.baseUrl());
    PluginHarness harness(profile);
    HostCallLog* log = harness.log();
    QVERIFY(log->setFile(dir.filePath("host.jsonl")));
    QVERIFY(harness.bind());
    harness.plugin()->bindLanguage();
    harness.plugin()->bindAccount();
    StandInHost* host = harness.host();
    host->recordServiceCalls();
    HostEvents events(host, harness.object());
    ModedGameListener listener(log);
    harness.vornik()->addModedGameListListener(&listener);
    PageWatcher page;
    MainWindow window(harness.vornik(), host, &events, &listener, &page,
                      {service.baseUrl(), "bench", "plug-in", dir.filePath("host.jsonl")});
    ControlApi control(&events, harness.vornik(), log, {});
    LauncherSite site(QCoreApplication::applicationDirPath() + "/www", &host->profile(), log, &control);
    site.setPort(service.port());
    service.start([&site](const HttpRequest& request) { return site.handle(request); });
    window.show();
    window.showPage(8);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    QElapsedTimer clock;
    clock.start();
    qint64 sent = -1, served = -1, parseStart = -1, parseEnd = -1, answered = -1;
    QObject marks;
    connect(log, &HostCallLog::recorded, &marks, [&](const QJsonObject& entry) {
        const QString op = entry.value("op").toString();
        if (op == QLatin1String("requestApkUrl"))
            parseEnd = clock.elapsed();
        else if (op == QLatin1String("modedGameListDocument"))
            parseStart = clock.elapsed();
        else if (op == QLatin1String("sendRequest"))
            sent = clock.elapsed();
        else if (op == QLatin1String("gameList"))
            served = clock.elapsed();
    }, Qt::DirectConnection);
    Stalls stalls(clock);
    IVornik* vornik = harness.vornik();
    // The plug-in's list has every address once the host has answered its last lookup.
    stalls.onTick = [&](qint64 now) {
        const ModedGameList* games = answered < 0 && parseEnd >= 0 ? vornik->modedGameList() : nullptr;
        if (games && !games->isEmpty() && !games->last().apkUrl.isEmpty())
            answered = now;
    };
    stalls.start();

    events.changeCountry(QString());
    QVERIFY(QTest::qWaitFor([&] { return listener.received(); }, 3600000));
    const qint64 announced = clock.elapsed();
    const qint64 last = log->lastSeq();
    QVERIFY(QTest::qWaitFor([&] { return consoleShows(&window, last); }, 3600000));
    const qint64 shown = clock.elapsed();
    QVERIFY(QTest::qWaitFor([&] { return answered >= 0; }, 600000));

    const qint64 fullFrom = clock.elapsed();
    const Fetched full = fetch(service.port(), "/control/log");
    const qint64 fullTo = clock.elapsed();
    const Fetched again = fetch(service.port(), "/control/log");
    const Fetched tail = fetch(service.port(), "/control/log?since=" + QByteArray::number(last - 10));
    QTest::qWait(300);
    stalls.stop();
    service.stop();

    const int entries = QJsonDocument::fromJson(full.body).array().size();
    // From the list leaving the web service until the host has answered the plug-in's last
    // lookup, the GUI thread is the plug-in's: reading the reply, parsing it, asking for every
    // address, taking in the answers.
    const Stalls::Gap longest = stalls.longestOutside(served, answered);
    const Stalls::Gap whileLog = stalls.longestWithin(fullFrom, fullTo);
    std::printf("\n%d games, one run\n", games);
    std::printf("  plug-in alone (downloadFinished -> listener):      %6lld ms\n", (long long)pluginAloneMs);
    std::printf("  launcher: request sent                             %6lld ms\n", (long long)sent);
    std::printf("            list served by the web service           %6lld ms\n", (long long)served);
    std::printf("            plug-in parse (one slot)                 %6lld .. %lld ms (%lld ms)\n",
                (long long)parseStart, (long long)parseEnd, (long long)(parseEnd - parseStart));
    std::printf("            listener heard of the list               %6lld ms\n", (long long)announced);
    std::printf("            console shows the last call (seq %lld)  %6lld ms\n", (long long)last, (long long)shown);
    std::printf("            every lookup answered by               <= %6lld ms\n", (long long)answered);
    m_pluginAloneMs.push_back(double(pluginAloneMs));
    m_launcherMs.push_back(double(shown));
    std::printf("  end to end / plug-in alone:                        %6.2f\n", double(shown) / pluginAloneMs);
    std::printf("  /control/log: %d entries, %lld bytes, %lld ms (again: %lld ms); ?since=%lld: %lld bytes, %lld ms\n",
                entries, (long long)full.body.size(), (long long)full.ms, (long long)again.ms, (long long)(last - 10),
                (long long)tail.body.size(), (long long)tail.ms);
    std::printf("  GUI thread outside the plug-in's stretch: longest stall %lld ms (%lld..%lld, %lld ms CPU), "
                "%d stalls over 100 ms\n",
                (long long)Stalls::outside(longest, served, answered), (long long)longest.from, (long long)longest.to,
                (long long)longest.cpu, stalls.countOutside(served, answered, 100));
    std::printf("  GUI thread while the whole log was fetched: longest stall %lld ms (%lld ms CPU)\n",
                (long long)(whileLog.to - whileLog.from), (long long)whileLog.cpu);
    std::printf("  stalls over 20 ms (from..to ms, CPU ms):");
    for (const Stalls::Gap& gap : stalls.gaps)
        std::printf(" %lld..%lld/%lld", (long long)gap.from, (long long)gap.to, (long long)gap.cpu);
    std::printf("\n");
    std::fflush(stdout);
}

void LauncherScaleBench::workbenchPace()
{
    // The page's pace as the plug-in alone gives it, then as a page developer sees it in the
    // workbench: the launcher's window with the console open and following the traffic.
    PageTimes alone;
    {
        PluginHarness harness;
        harness.bind();
        QVERIFY(harness.showPage(timingPage()));
        alone = pageTimes("plug-in alone", harness.vornik(), harness.page());
        QVERIFY(!alone.command.empty());
    }

    // As main() puts it together, its look included.
    MainWindow::applyStyle();
    PluginHarness harness;
    QVERIFY(harness.bind());
    harness.plugin()->bindLanguage();
    harness.plugin()->bindAccount();
    StandInHost* host = harness.host();
    HostEvents events(host, harness.object());
    ModedGameListener listener(harness.log());
    harness.vornik()->addModedGameListListener(&listener);
    PageWatcher page;
    HostFaults faults(host->simulator(), &page);
    MainWindow window(harness.vornik(), host, &events, &listener, &page, {"-", "bench", "plug-in", QString()}, &faults);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    harness.vornik()->createView(8, timingPage().toString(), window.pageContainer());
    QVERIFY(page.watch(window.pageContainer()));
    window.showPage(8);
    QVERIFY(QTest::qWaitFor([&] { return page.page() && evaluate(page.page(), "window.ready === true").toBool(); }, 60000));
    QTest::qWait(500);
    auto* traffic = window.findChild<QAbstractItemView*>(QStringLiteral("pageTraffic"));
    QVERIFY(traffic);

    Composes composes(&window, window.findChild<HostConsole*>());
    QElapsedTimer clock;
    clock.start();
    const PageTimes launcher = pageTimes("in the workbench", harness.vornik(), page.page());
    const qint64 ms = clock.elapsed();
    QVERIFY(!launcher.command.empty());
    // Every row still comes: the last message the page was sent is the traffic's last row.
    const QString last = QString::number(page.traffic()->lastSeq());
    QVERIFY(QTest::qWaitFor(
        [&] { return traffic->model()->index(traffic->model()->rowCount() - 1, 0).data().toString() == last; }, 10000));

    std::printf("the page's pace, plug-in alone: burst %s; round trip %s\n", qPrintable(paceOf(alone)),
                qPrintable(roundTripOf(alone)));
    std::printf("the page's pace in the workbench, console following: burst %s; round trip %s\n",
                qPrintable(paceOf(launcher)), qPrintable(roundTripOf(launcher)));
    composes.print("while timed", ms);
    std::fflush(stdout);

    // On one core (taskset), no thread waits for another core to be woken: on a virtual machine
    // that can take milliseconds, and shows in the engine's echo as much as in the command.
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    const bool oneCore = sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) == 1;
    const QString suffix = oneCore ? QStringLiteral("1") : QString();
    const QString where = oneCore ? QStringLiteral(", on one core") : QString();
    const double p10 = percentile(launcher.gaps, 0.1);
    const double p90 = percentile(launcher.gaps, 0.9);
    const double median = percentile(launcher.command, 0.5);
    const double tripP90 = percentile(launcher.command, 0.9);
    report({"P4w" + suffix, "burst of 100 to the page in the workbench, console following" + where + ": gaps p10-p90",
            QStringLiteral("%1-%2 ms").arg(p10, 0, 'f', 2).arg(p90, 0, 'f', 2) + (launcher.ordered ? "" : "; NOT in order"),
            QStringLiteral("plug-in alone: %1-%2 ms")
                .arg(percentile(alone.gaps, 0.1), 0, 'f', 2)
                .arg(percentile(alone.gaps, 0.9), 0, 'f', 2),
            QString::number(p90 / percentile(alone.gaps, 0.9), 'f', 2), QStringLiteral("9.5-11 ms"),
            yesNo(launcher.ordered && p10 >= 9.5 && p90 <= 11)});
    report({"P1w" + suffix, "getLanguage round trip in the workbench, console following" + where + ": median, p90",
            QStringLiteral("%1 ms, p90 %2").arg(median, 0, 'f', 2).arg(tripP90, 0, 'f', 2),
            QStringLiteral("plug-in alone: %1 ms, p90 %2")
                .arg(percentile(alone.command, 0.5), 0, 'f', 2)
                .arg(percentile(alone.command, 0.9), 0, 'f', 2),
            QString::number(tripP90 / median, 'f', 2), QStringLiteral("p90 <= 2 x median"), yesNo(tripP90 <= 2 * median)});
}

VORNIK_TEST_MAIN(LauncherScaleBench)
#include "bench_launcherscale.moc"
