#include "launcher/app/mainwindow.h"

#include "hostcalllog.h"
#include "launcher/console/hostconsole.h"
#include "launcher/host/hostevents.h"
#include "ivornik.h"
#include "launcher/host/modedgamelistener.h"
#include "launcher/page/pagewatcher.h"
#include "standinhost.h"
#include "standinmainwindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPalette>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyleFactory>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kHomePage = 1;
constexpr int kVornikPage = 8;
constexpr int kGamesNamed = 20;

const char* const kStyleSheet = R"(
QWidget#navigation { background: #12151b; }
QWidget#navigation QToolButton { color: #aab0bf; border: 0; border-left: 3px solid transparent;
                                  padding: 12px 4px; font-weight: 600; }
QWidget#navigation QToolButton:checked { color: #ffffff; background: #1f232c; border-left-color: #4fa3ff; }
QWidget#navigation QToolButton:hover { color: #ffffff; }
QLabel#brand { color: #4fa3ff; font-size: 15px; font-weight: 700; padding: 14px 0 10px 0; }
QLabel#consoleTitle { font-weight: 700; }
QWidget#home { background: #161920; }
QLabel#homeTitle { font-size: 22px; font-weight: 700; }
QLabel.homeText { color: #c3c8d4; }
QStatusBar { background: #12151b; color: #aab0bf; }
QStatusBar QLabel { padding: 0 8px; }
QGroupBox { font-weight: 700; margin-top: 10px; border: 1px solid #2b303b; border-radius: 6px; padding-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; }
QTreeView { border: 1px solid #2b303b; }
QSplitter::handle { background: #2b303b; }
)";

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

MainWindow::MainWindow(IVornik* vornik, StandInHost* host, HostEvents* events, ModedGameListener* games,
                       PageWatcher* page, const About& about, HostFaults* faults, QWidget* parent)
    : QMainWindow(parent)
    , m_vornik(vornik)
    , m_host(host)
    , m_games(games)
    , m_page(page)
    , m_pages(new QStackedWidget(this))
    , m_container(new QWidget(this))
    , m_navigation(new QButtonGroup(this))
    , m_gamesStatus(new QLabel(this))
    , m_pageStatus(new QLabel(this))
{
    setWindowTitle(tr("Vornik launcher"));
    m_container->setObjectName(QStringLiteral("vornikContainer"));
    m_home = homePage(about);
    m_pages->addWidget(m_home);
    m_pages->addWidget(m_container);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_pages);
    auto* console = new HostConsole(host->log(), events, m_page->traffic(), this);
    m_console = console;
    // A window that holds the web view is put on the screen through OpenGL, all of it, whatever
    // changed; without a GPU that is a software rasteriser taking some 12 ms a time. The console
    // catches up 20 times a second while the page talks, and the page's own timings would show
    // it. In a native window of its own, and opaque so nothing beneath it is painted with it, the
    // console is flushed alone and plainly: about 1 ms. Its siblings, the page among them, stay
    // as they are.
    // Qt 6 flushes a native child of a window composed through its rendering interface with that
    // window's OpenGL context, which cannot make itself current on the child's plain surface: the
    // console stayed black on the screen, and the failed attempts held the GUI thread up (some
    // 130 ms of the start). There the console stays part of the window and is composed with it.
#if QT_VERSION_MAJOR < 6
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    console->setAttribute(Qt::WA_NativeWindow);
#endif
    console->setAutoFillBackground(true);
    if (faults)
        console->addWorkbench(m_page, faults);
    splitter->addWidget(console);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({860, 420});
    splitter->setChildrenCollapsible(false);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(navigation());
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    auto* service = new QLabel(tr("serving %1").arg(about.serviceUrl), this);
    service->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(service);
    statusBar()->addWidget(m_pageStatus);
    statusBar()->addPermanentWidget(m_gamesStatus);

    connect(m_games, &ModedGameListener::listChanged, this, &MainWindow::showModedGames);
    connect(m_page, &PageWatcher::stateChanged, this, &MainWindow::showPageState);
    // The host brings the Vornik page to the front when the plug-in asks its game library to.
    // Read from the log once per burst of calls: a queued signal per call would leave an event
    // behind for each of a hundred thousand lookups.
    m_seenSeq = host->log()->lastSeq();
    connect(host->log(), &HostCallLog::appended, this, [this](qint64 lastSeq) {
        const QVector<QJsonObject> shows =
            m_host->log()->entriesAfter(m_seenSeq, QStringLiteral("IMyGame"), QStringLiteral("showPage"));
        m_seenSeq = lastSeq;
        for (const QJsonObject& entry : shows) {
            // Later calls come with the next announcement.
            if (entry.value(QLatin1String("seq")).toVariant().toLongLong() > lastSeq)
                break;
            showPage(entry.value(QLatin1String("args")).toArray().at(0).toInt());
        }
    });
    showModedGames();
    showPageState();
    resize(1280, 800);
}

QWidget* MainWindow::pageContainer() const
{
    return m_container;
}

void MainWindow::showPage(int pageType)
{
    const int shown = pageType == kVornikPage ? kVornikPage : kHomePage;
    // What IMainWindow::currentPage answers the plug-in from now on.
    m_host->mainWindow()->setCurrentPage(shown);
    m_pages->setCurrentWidget(shown == kVornikPage ? m_container : m_home);
    if (QAbstractButton* button = m_navigation->button(shown))
        button->setChecked(true);
    m_vornik->routeToPage(shown, false);
}

QPixmap MainWindow::picture()
{
    m_console->catchUp();
    return grab();
}

void MainWindow::applyStyle()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x1b, 0x1e, 0x25));
    palette.setColor(QPalette::WindowText, QColor(0xe8, 0xea, 0xf0));
    palette.setColor(QPalette::Base, QColor(0x14, 0x17, 0x1d));
    palette.setColor(QPalette::AlternateBase, QColor(0x1b, 0x1f, 0x27));
    palette.setColor(QPalette::Text, QColor(0xe8, 0xea, 0xf0));
    palette.setColor(QPalette::PlaceholderText, QColor(0x6c, 0x73, 0x86));
    palette.setColor(QPalette::Button, QColor(0x2a, 0x2f, 0x3a));
    palette.setColor(QPalette::ButtonText, QColor(0xe8, 0xea, 0xf0));
    palette.setColor(QPalette::Highlight, QColor(0x4f, 0xa3, 0xff));
    palette.setColor(QPalette::HighlightedText, QColor(0x0d, 0x11, 0x17));
    palette.setColor(QPalette::ToolTipBase, QColor(0x1f, 0x23, 0x2c));
    palette.setColor(QPalette::ToolTipText, QColor(0xe8, 0xea, 0xf0));
    palette.setColor(QPalette::Link, QColor(0x4f, 0xa3, 0xff));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6c, 0x73, 0x86));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6c, 0x73, 0x86));
    QApplication::setPalette(palette);
    qApp->setStyleSheet(QLatin1String(kStyleSheet));
}

QWidget* MainWindow::navigation()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("navigation"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(92);
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* brand = new QLabel(tr("Launcher"), bar);
    brand->setObjectName(QStringLiteral("brand"));
    brand->setAlignment(Qt::AlignCenter);
    layout->addWidget(brand);

    for (const auto& [id, text] : {std::pair<int, QString>{kHomePage, tr("Home")}, {kVornikPage, tr("Vornik")}}) {
        auto* button = new QToolButton(bar);
        button->setText(text);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_navigation->addButton(button, id);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    connect(m_navigation, &QButtonGroup::idClicked, this, &MainWindow::showPage);
    return bar;
}

QWidget* MainWindow::homePage(const About& about)
{
    auto* home = new QWidget(this);
    home->setObjectName(QStringLiteral("home"));
    home->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(home);
    layout->setContentsMargins(36, 32, 36, 32);
    layout->setSpacing(14);

    auto* title = new QLabel(tr("Launcher home"), home);
    title->setObjectName(QStringLiteral("homeTitle"));
    layout->addWidget(title);

    auto* facts = new QLabel(home);
    facts->setProperty("class", QStringLiteral("homeText"));
    facts->setTextFormat(Qt::RichText);
    facts->setTextInteractionFlags(Qt::TextBrowserInteraction);
    facts->setWordWrap(true);
    facts->setText(tr("<p>The host's own page. The Vornik page sits beside it in the navigation; switching routes "
                      "through the plug-in, as the launcher does.</p>"
                      "<table cellspacing='6'>"
                      "<tr><td><b>Web service</b></td><td>%1</td></tr>"
                      "<tr><td><b>Control API</b></td><td>%1control/…</td></tr>"
                      "<tr><td><b>Host profile</b></td><td>%2</td></tr>"
                      "<tr><td><b>Plug-in</b></td><td>%3</td></tr>"
                      "<tr><td><b>Host call log</b></td><td>%4</td></tr>"
                      "</table>")
                       .arg(escaped(about.serviceUrl), escaped(about.profile), escaped(about.pluginFile),
                            escaped(about.hostLogFile.isEmpty() ? tr("in memory only") : about.hostLogFile)));
    layout->addWidget(facts);

    m_homeGames = new QLabel(home);
    m_homeGames->setProperty("class", QStringLiteral("homeText"));
    m_homeGames->setWordWrap(true);
    layout->addWidget(m_homeGames);
    layout->addStretch(1);
    return home;
}

void MainWindow::showModedGames()
{
    if (!m_games->received()) {
        m_gamesStatus->setText(tr("moded games: waiting for the list"));
        m_homeGames->setText(tr("The plug-in has not announced a moded game list yet."));
        return;
    }
    m_gamesStatus->setText(tr("moded games: %1").arg(m_games->count()));
    // A label lays out all of its text, even on a page out of sight: a few names, then a count.
    const QStringList names = m_games->packageNames();
    QString shown = names.mid(0, kGamesNamed).join(QStringLiteral(", "));
    if (names.size() > kGamesNamed)
        shown += tr(" and %n more", nullptr, names.size() - kGamesNamed);
    m_homeGames->setText(tr("The plug-in announced %n moded game(s): %1", nullptr, m_games->count()).arg(shown));
}

void MainWindow::showPageState()
{
    if (!m_page->loaded())
        m_pageStatus->setText(tr("page: loading"));
    else if (m_page->offline())
        m_pageStatus->setText(tr("page: offline page"));
    else
        m_pageStatus->setText(m_page->ready() ? tr("page: ready") : tr("page: loaded, script starting"));
}
