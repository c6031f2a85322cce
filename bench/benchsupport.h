#pragma once

// What the benchmarks share: the moded list they feed the plug-in, a listener that counts the
// plug-in's announcements, the statistics they report, and the one line per figure that
// scripts/run-bench.sh gathers into its table.

#include <QByteArray>
#include <QJsonArray>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QEvent;
class QUrl;
class QWebEnginePage;

// Counts the plug-in's ModedGameListChangedEvents.
class ModedListListener : public QObject
{
public:
    int events = 0;
    bool event(QEvent* event) override;
};

// A moded game list of the given size, as the web service sends it: "data" holds the games.
QJsonArray moddedGames(int games);
QByteArray moddedListReply(int games);

// Runs the event loop for ms, or until done() holds, checked every everyMs. Unlike QTest's waits,
// which sleep 10 ms at a time, the thread serves whatever arrives the moment it arrives: what a
// benchmark times must not wait for its own waiting.
void spin(int ms);
bool spinUntil(const std::function<bool()>& done, int timeoutMs, int everyMs = 20);

// A positive integer from the environment, or the fallback.
int benchSetting(const char* name, int fallback);

// Median and quartiles of a sample (empty sample: zeros).
struct Spread
{
    double median = 0;
    double low = 0;  // 25th percentile
    double high = 0; // 75th percentile
};
Spread spreadOf(std::vector<double> values);
double percentile(std::vector<double> values, double fraction);

// "0.71 ms (0.65-0.80)": the median and the quartiles, with the unit.
QString withSpread(const Spread& spread, const char* unit, int decimals = 2);

// bench/pages/timing.html, which times in the page what the page sees.
QUrl timingPage();
std::vector<double> numbers(const QJsonArray& array);

// Bursts of count messages, each burst sent at once through send(run, i) to the timing page
// shown by page: the gaps between arrivals in the page, of all runs. ordered turns false when a
// message is missing or out of place.
std::vector<double> burstGaps(QWebEnginePage* page, int runs, int count,
                              const std::function<void(int run, int i)>& send, bool* ordered);

// count round trips of each kind ("command", "echo", "call"; see timing.html), gapMs after each
// answer: the times in ms by kind, or an empty object when the page did not finish.
QJsonObject roundTrips(QWebEnginePage* page, int count, int gapMs);

// One row of the table: printed on stdout as a tab-separated line starting with "FIGURE".
struct Figure
{
    QString id;        // P1 ... P7
    QString what;      // short description
    QString ours;      // our value with its spread
    QString reference; // the reference measured in the same run, or what the goal is against
    QString ratio;     // ours / reference, or "-"
    QString goal;
    QString holds;     // "yes", "no", or "-" where nothing is asked
};
void report(const Figure& figure);
QString yesNo(bool holds);
