// The launcher as a user starts it, next to a program that is a web view and nothing else: the
// time from starting the process to the first finished load of the same page, and the memory of
// the process and its web engine processes with the page up. Then the launcher's memory over
// many page commands and moded list refreshes.

#include "benchsupport.h"
#include "launcher/service/controlapi.h"
#include "hostcalllog.h"
#include "launcher/host/hostevents.h"
#include "launcher/service/launchersite.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "testmain.h"
#include "launcher/service/webservice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

const QByteArray kLauncherLoaded = "[vk webengine] load success";
const QByteArray kBareLoaded = "loaded";

// The process and every process below it (the web engine's zygote, renderer, GPU process).
std::set<qint64> processTree(qint64 root)
{
    std::map<qint64, std::vector<qint64>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // The name may hold spaces and brackets: the fields that follow start after its last ')'.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields.at(1).toLongLong()].push_back(pid);
    }
    std::set<qint64> tree{root};
    std::vector<qint64> open{root};
    while (!open.empty()) {
        const qint64 pid = open.back();
        open.pop_back();
        for (qint64 child : children[pid]) {
            if (tree.insert(child).second)
                open.push_back(child);
        }
    }
    return tree;
}

double rssMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024.0;
    }
    return 0;
}

double treeRssMiB(qint64 root)
{
    double mib = 0;
    for (qint64 pid : processTree(root))
        mib += rssMiB(pid);
    return mib;
}

// A program started as a user starts it; the time until it writes the line that says its page
// has finished loading, taken the moment the line arrives. With an output file, what it writes
// goes there, as with "2>>file" in a shell, and is looked at every 20 ms: for a long run whose
// reader, this program, is busy with other things and must not slow its writer.
class Started
{
public:
    Started(const QString& program, const QStringList& arguments, const QByteArray& marker, int timeoutMs = 60000,
            const QString& outputFile = QString())
        : m_outputFile(outputFile)
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        if (!m_outputFile.isEmpty())
            m_process.setStandardOutputFile(m_outputFile);
        QEventLoop loop;
        auto look = [&] {
            if (loadedMs < 0 && output().contains(marker)) {
                loadedMs = m_clock.nsecsElapsed() / 1e6;
                loop.quit();
            }
        };
        QObject::connect(&m_process, &QProcess::readyRead, &loop, look);
        QTimer poll;
        if (!m_outputFile.isEmpty()) {
            QObject::connect(&poll, &QTimer::timeout, &loop, look);
            poll.start(20);
        }
        QObject::connect(&m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        m_clock.start();
        m_process.start(program, arguments);
        loop.exec();
        QObject::disconnect(&m_process, nullptr, &loop, nullptr);
        if (loadedMs < 0)
            std::printf("%s did not load its page:\n%s\n", qPrintable(program), m_output.constData());
    }
    ~Started()
    {
        const std::set<qint64> tree = processTree(m_process.processId());
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
        // The engine's processes follow their parent; wait for them so the next start has the machine.
        (void)QTest::qWaitFor([&] {
            for (qint64 pid : tree) {
                if (QFile::exists(QStringLiteral("/proc/%1").arg(pid)))
                    return false;
            }
            return true;
        }, 10000);
    }
    qint64 pid() const { return m_process.processId(); }
    QByteArray output()
    {
        if (m_outputFile.isEmpty()) {
            m_output += m_process.readAll();
        } else {
            QFile file(m_outputFile);
            if (file.open(QIODevice::ReadOnly))
                m_output = file.readAll();
        }
        return m_output;
    }

    double loadedMs = -1;

private:
    QString m_outputFile;
    QProcess m_process;
    QElapsedTimer m_clock;
    QByteArray m_output;
};

// The launcher's serving line: "serving http://127.0.0.1:PORT/".
int servingPort(const QByteArray& output)
{
    const int at = output.indexOf("serving http://127.0.0.1:");
    return at < 0 ? -1 : QUrl(QString::fromLatin1(output.mid(at + 8, output.indexOf('\n', at) - at - 8))).port();
}

QByteArray call(int port, const QByteArray& method, const QByteArray& target, const QByteArray& body = QByteArray())
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!socket.waitForConnected(10000))
        return QByteArray();
    socket.write(method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port)
                 + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
                 + "\r\nConnection: close\r\n\r\n" + body);
    QByteArray raw;
    while (socket.waitForReadyRead(60000))
        raw += socket.readAll();
    return raw.mid(raw.indexOf("\r\n\r\n") + 4);
}

// The host call log's entries after seq, and the highest seq among them.
QJsonArray logSince(int port, qint64 since, qint64* last)
{
    const QJsonArray entries = QJsonDocument::fromJson(call(port, "GET", "/control/log?since=" + QByteArray::number(since))).array();
    for (const QJsonValue& entry : entries)
        *last = qMax(*last, qint64(entry.toObject().value("seq").toDouble()));
    return entries;
}

// What the launcher's own process has allocated and not freed, and what its allocator holds from
// the system for that, in MiB (its control API reads mallinfo2 there): the first is what it keeps.
std::pair<double, double> heapMiB(int port)
{
    const QJsonObject memory = QJsonDocument::fromJson(call(port, "GET", "/control/memory")).object()["result"].toObject();
    return {memory["heapInUse"].toDouble() / (1024.0 * 1024.0), memory["heapHeld"].toDouble() / (1024.0 * 1024.0)};
}

bool hasOp(const QJsonArray& entries, const QString& op)
{
    for (const QJsonValue& entry : entries) {
        if (entry.toObject().value("op").toString() == op)
            return true;
    }
    return false;
}

} // namespace

class LauncherStartBench : public QObject
{
    Q_OBJECT
private slots:
    void startAndMemory();
    void growth();
};

void LauncherStartBench::startAndMemory()
{
    // The bare view loads the launcher's own page, served the way the launcher serves it.
    WebService service;
    QString error;
    QVERIFY2(service.bind(0, &error), qPrintable(error));
    HostCallLog log;
    StandInHost host(HostProfile::demo(), &log);
    HostEvents events(&host, nullptr);
    ControlApi control(&events, nullptr, &log, {});
    LauncherSite site(QCoreApplication::applicationDirPath() + QStringLiteral("/www"), &host.profile(), &log, &control);
    site.setPort(service.port());
    service.start([&site](const HttpRequest& request) { return site.handle(request); });
    const QString page = service.baseUrl();

    const int runs = benchSetting("VORNIK_BENCH_STARTS", 5);
    const int settleMs = 2000;
    std::vector<double> launcherMs, bareMs, launcherMiB, bareMiB;
    // One start of each first, uncounted: both find their engine's files in the page cache and
    // their profile directories made.
    for (int run = -1; run < runs; ++run) {
        for (bool launcher : {true, false}) {
            Started started(launcher ? QStringLiteral(VORNIK_LAUNCHER_FILE) : QStringLiteral(VORNIK_BAREVIEW_FILE),
                            launcher ? QStringList{QStringLiteral("--port"), QStringLiteral("0")} : QStringList{page},
                            launcher ? kLauncherLoaded : kBareLoaded);
            QVERIFY(started.loadedMs >= 0);
            QTest::qWait(settleMs);
            const double mib = treeRssMiB(started.pid());
            std::printf("%-8s start %d: first load finished after %7.1f ms; %7.1f MiB with the page up\n",
                        launcher ? "launcher" : "bare", run, started.loadedMs, mib);
            std::fflush(stdout);
            if (run < 0)
                continue;
            (launcher ? launcherMs : bareMs).push_back(started.loadedMs);
            (launcher ? launcherMiB : bareMiB).push_back(mib);
        }
    }
    service.stop();

    const Spread launcherStart = spreadOf(launcherMs);
    const Spread bareStart = spreadOf(bareMs);
    const double ratio = launcherStart.median / bareStart.median;
    report({QStringLiteral("P5"), QStringLiteral("launcher start to the first finished load, median of %1").arg(runs),
            withSpread(launcherStart, "ms", 0), QStringLiteral("bare view: %1").arg(withSpread(bareStart, "ms", 0)),
            QString::number(ratio, 'f', 2), QStringLiteral("ratio <= 1.2"), yesNo(ratio <= 1.2)});
    const Spread launcherMemory = spreadOf(launcherMiB);
    const Spread bareMemory = spreadOf(bareMiB);
    report({QStringLiteral("P6"), QStringLiteral("RSS of the launcher and its web engine processes, page up"),
            withSpread(launcherMemory, "MiB", 1), QStringLiteral("bare view: %1").arg(withSpread(bareMemory, "MiB", 1)),
            QStringLiteral("%1%2 MiB").arg(launcherMemory.median >= bareMemory.median ? "+" : "")
                .arg(launcherMemory.median - bareMemory.median, 0, 'f', 1),
            QStringLiteral("<= bare + 15 MiB"), yesNo(launcherMemory.median <= bareMemory.median + 15)});
}

void LauncherStartBench::growth()
{
    // The launcher on a page that sends commands when told to, with a list of 10,000 games
    // (an address for each), its output going to a file as a long session's would. The host call
    // log keeps the launcher's default bound, named here so that the warm-up knows it.
    const int games = 10000;
    const int logKeep = 200000;
    QTemporaryDir dir;
    QJsonObject apkUrls;
    for (int i = 0; i < games; ++i)
        apkUrls.insert(QStringLiteral("com.example.game%1").arg(i), QStringLiteral("https://downloads.example.com/game%1.apk").arg(i));
    QFile profile(dir.filePath(QStringLiteral("profile.json")));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write(QJsonDocument(QJsonObject{{"language", "en"}, {"countryCode", "US"},
                                            {"modedGames", moddedGames(games)}, {"apkUrls", apkUrls}})
                      .toJson(QJsonDocument::Compact));
    profile.close();
    const QString churnPage = QUrl::fromLocalFile(QStringLiteral(VORNIK_BENCH_PAGES "/churn.html")).toString();
    Started launcher(QStringLiteral(VORNIK_LAUNCHER_FILE),
                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--url"), churnPage,
                      QStringLiteral("--profile"), profile.fileName(), QStringLiteral("--log-keep"),
                      QString::number(logKeep)},
                     kLauncherLoaded, 60000, dir.filePath(QStringLiteral("launcher.out")));
    QVERIFY(launcher.loadedMs >= 0);
    const int port = servingPort(launcher.output());
    QVERIFY(port > 0);

    qint64 seq = 0;
    QVERIFY(QTest::qWaitFor([&] { return hasOp(logSince(port, 0, &seq), QStringLiteral("modedGameListChanged")); }, 60000));
    int serial = 0;
    auto commands = [&](int count) {
        const qint64 from = seq;
        const QByteArray args = QJsonDocument(QJsonArray{8, QStringLiteral("churn"),
                                                         QJsonObject{{"count", count}, {"serial", ++serial}}})
                                    .toJson(QJsonDocument::Compact);
        call(port, "POST", "/control/vornik/sendToPage", args);
        return QTest::qWaitFor([&] { return hasOp(logSince(port, from, &seq), QStringLiteral("showLogin")); }, 120000);
    };
    auto refreshes = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const qint64 from = seq;
            call(port, "POST", "/control/event/country", R"({"code":"US"})");
            // The listener hears of the list after the plug-in's lookups: skip the log past them.
            if (!QTest::qWaitFor([&] {
                    return hasOp(logSince(port, qMax(from, seq - 50) + (seq == from ? games : 0), &seq),
                                 QStringLiteral("modedGameListChanged"));
                }, 120000))
                return false;
        }
        return true;
    };
    // The launcher keeps bounded tails of what it has seen: the page's last 20,000 commands and
    // messages, the last host calls (logKeep, and up to an eighth more). Growth until they are full
    // is their size, not a leak: the warm-up fills them, and the host call log twice over, so that
    // what it holds is entries of the kind the measured rounds make.
    QVERIFY(commands(20000));
    while (seq < 2 * (logKeep + logKeep / 8) + games)
        QVERIFY(refreshes(1));
    const qint64 warmedAt = seq;
    QTest::qWait(1000);
    // Each step as the launcher's heap in use, its process's RSS and the whole tree's: the heap is
    // what the launcher keeps; the RSS beside it shows what the allocator and the engine add.
    auto step = [&](const char* after) {
        const auto heap = heapMiB(port);
        const double tree = treeRssMiB(launcher.pid());
        std::printf("launcher: heap in use %.1f MiB of %.1f MiB malloc holds, its process %.1f MiB, with the engine %.1f MiB %s\n",
                    heap.first, heap.second, rssMiB(launcher.pid()), tree, after);
        std::fflush(stdout);
        return std::make_pair(heap.first, tree);
    };
    const auto before = step("after the warm-up");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(commands(10000));
    step("after 10,000 commands");
    for (int done = 0; done < 100; done += 20) {
        QVERIFY(refreshes(20));
        if (done < 80)
            step(qPrintable(QStringLiteral("after %1 refreshes").arg(done + 20)));
    }
    QTest::qWait(1000);
    const auto after = step("after 100 refreshes");
    std::printf("launcher: warm-up to seq %lld, then 10,000 commands and 100 refreshes of %d games in %.1f s, to seq %lld\n",
                (long long)warmedAt, games, clock.elapsed() / 1000.0, (long long)seq);
    const double grown = after.first - before.first, treeGrown = after.second - before.second;
    report({QStringLiteral("P6g"), QStringLiteral("launcher's heap in use, growth over 10,000 commands and 100 refreshes of 10,000 games"),
            QStringLiteral("%1%2 MiB (%3 -> %4)").arg(grown >= 0 ? "+" : "").arg(grown, 0, 'f', 1)
                .arg(before.first, 0, 'f', 1).arg(after.first, 0, 'f', 1),
            QStringLiteral("RSS with the engine: %1%2 MiB").arg(treeGrown >= 0 ? "+" : "").arg(treeGrown, 0, 'f', 1),
            QStringLiteral("-"), QStringLiteral("<= 2 MiB"), yesNo(grown <= 2)});
}

VORNIK_TEST_MAIN(LauncherStartBench)
#include "bench_launcherstart.moc"
