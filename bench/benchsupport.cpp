#include "benchsupport.h"

#include "kevent.h"
#include "pagescript.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>

bool ModedListListener::event(QEvent* event)
{
    if (int(event->type()) == KEvent::ModedGameListChange)
        ++events;
    return QObject::event(event);
}

QJsonArray moddedGames(int games)
{
    QJsonArray data;
    for (int i = 0; i < games; ++i) {
        data.append(QJsonObject{{"id", QString::number(i)},
                                {"packageName", QStringLiteral("com.example.game%1").arg(i)},
                                {"name", QStringLiteral("Game %1").arg(i)}});
    }
    return data;
}

QByteArray moddedListReply(int games)
{
    return QJsonDocument(QJsonObject{{"data", moddedGames(games)}}).toJson(QJsonDocument::Compact);
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs, int everyMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        spin(everyMs);
    }
    return true;
}

QUrl timingPage()
{
    return QUrl::fromLocalFile(QStringLiteral(VORNIK_BENCH_PAGES "/timing.html"));
}

std::vector<double> numbers(const QJsonArray& array)
{
    std::vector<double> values;
    for (const QJsonValue& value : array)
        values.push_back(value.toDouble());
    return values;
}

std::vector<double> burstGaps(QWebEnginePage* page, int runs, int count,
                              const std::function<void(int run, int i)>& send, bool* ordered)
{
    std::vector<double> gaps;
    for (int run = 0; run < runs; ++run) {
        evaluate(page, QStringLiteral("window.arrivals = []; true"));
        for (int i = 0; i < count; ++i)
            send(run, i);
        // Asking the page how far it is would be traffic of its own: not while the burst flows.
        spin(count * 10);
        if (!spinUntil([&] { return evaluate(page, QStringLiteral("window.arrivals.length")).toInt() >= count; }, 60000,
                       100)) {
            *ordered = false;
            continue;
        }
        const QJsonArray arrivals =
            QJsonDocument::fromJson(evaluate(page, QStringLiteral("JSON.stringify(window.arrivals)")).toString().toUtf8())
                .array();
        *ordered = *ordered && arrivals.size() == count;
        for (int i = 0; i < arrivals.size(); ++i) {
            const QJsonArray arrival = arrivals.at(i).toArray();
            const QJsonObject data = arrival.at(1).toObject().value("data").toObject();
            *ordered = *ordered && data.value("i").toInt() == i && data.value("run").toInt() == run;
            if (i > 0)
                gaps.push_back(arrival.at(0).toDouble() - arrivals.at(i - 1).toArray().at(0).toDouble());
        }
    }
    return gaps;
}

QJsonObject roundTrips(QWebEnginePage* page, int count, int gapMs)
{
    evaluate(page, QStringLiteral("window.timeRoundTrips(%1, %2); true").arg(count).arg(gapMs));
    // Asking the page whether it is done is a message of its own: not while it times.
    spin(count * 3 * (gapMs + 1));
    if (!spinUntil([&] { return evaluate(page, QStringLiteral("window.roundTrips !== null")).toBool(); },
                   count * 200 + 30000, 200))
        return {};
    return QJsonDocument::fromJson(evaluate(page, QStringLiteral("JSON.stringify(window.roundTrips)")).toString().toUtf8())
        .object();
}

int benchSetting(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    // Linear between the two nearest ranks, so a median of an even count is the mean of the two.
    const double rank = fraction * double(values.size() - 1);
    const size_t below = size_t(rank);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (rank - double(below));
}

Spread spreadOf(std::vector<double> values)
{
    return {percentile(values, 0.5), percentile(values, 0.25), percentile(values, 0.75)};
}

QString withSpread(const Spread& spread, const char* unit, int decimals)
{
    return QStringLiteral("%1 %2 (%3-%4)")
        .arg(spread.median, 0, 'f', decimals)
        .arg(QString::fromLatin1(unit))
        .arg(spread.low, 0, 'f', decimals)
        .arg(spread.high, 0, 'f', decimals);
}

QString yesNo(bool holds)
{
    return holds ? QStringLiteral("yes") : QStringLiteral("no");
}

void report(const Figure& figure)
{
    std::printf("FIGURE\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", qPrintable(figure.id), qPrintable(figure.what),
                qPrintable(figure.ours), qPrintable(figure.reference), qPrintable(figure.ratio),
                qPrintable(figure.goal), qPrintable(figure.holds));
    std::fflush(stdout);
}
