#include "launcher/app/screenshot.h"

#include "hostcalllog.h"
#include "launcher/app/mainwindow.h"
#include "launcher/host/modedgamelistener.h"
#include "launcher/page/pagetraffic.h"
#include "launcher/page/pagewatcher.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>

#include <cstdio>

namespace {
constexpr int kCheckIntervalMs = 100;
// The list comes over the network after a country-code event; a host without one never gets it.
constexpr qint64 kGameListGraceMs = 5000;
// The plug-in falls back to its offline page after 20 s; past this, the page is not coming.
constexpr qint64 kGiveUpMs = 60000;
// The web view draws what the script has just put into the page a frame or two later.
constexpr int kPaintSettleMs = 400;
} // namespace

Screenshot::Screenshot(MainWindow* window, PageWatcher* page, ModedGameListener* games, HostCallLog* log,
                       const QString& file, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_page(page)
    , m_games(games)
    , m_log(log)
    , m_file(file)
{
    m_check.setInterval(kCheckIntervalMs);
    connect(&m_check, &QTimer::timeout, this, &Screenshot::check);
}

void Screenshot::start()
{
    m_sinceStart.start();
    m_check.start();
}

void Screenshot::check()
{
    if (!m_page->ready()) {
        m_sinceReady.invalidate();
        if (m_sinceStart.elapsed() > kGiveUpMs)
            take();
        return;
    }
    if (!m_sinceReady.isValid())
        m_sinceReady.start();
    if (m_games->received() || m_sinceReady.elapsed() > kGameListGraceMs)
        take();
}

void Screenshot::take()
{
    if (m_taking)
        return;
    m_taking = true;
    m_check.stop();
    QTimer::singleShot(kPaintSettleMs, this, [this] {
        const bool saved = m_window->picture().save(m_file, "PNG");
        const bool loaded = m_page->ready();
        const QString page = !loaded ? QStringLiteral("page did not load")
            : m_page->offline()      ? QStringLiteral("page loaded offline")
                                     : QStringLiteral("page loaded online (%1)").arg(m_page->url().toString());
        const QString games = m_games->received() ? QStringLiteral("%1 moded games").arg(m_games->count())
                                                  : QStringLiteral("no moded game list yet");
        // Read off the picture's own titles, so that the line tells what the picture shows.
        auto title = [this](const char* name) {
            const QLabel* count = m_window->findChild<QLabel*>(QLatin1String(name));
            return count ? count->text() : QString();
        };
        const QString shot = saved ? QStringLiteral("screenshot %1, its console showing \"%2\" and \"%3\"")
                                         .arg(m_file, title("callCount"), title("trafficCount"))
                                   : QStringLiteral("screenshot %1 could not be written").arg(m_file);
        std::printf("%s, %s, %lld host calls so far, %lld page commands; %s\n", qPrintable(page), qPrintable(games),
                    static_cast<long long>(m_log->lastSeq()), static_cast<long long>(m_page->traffic()->commandCount()),
                    qPrintable(shot));
        std::fflush(stdout);
        QCoreApplication::exit(loaded && saved ? 0 : 1);
    });
}
