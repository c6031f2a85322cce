// The launcher's application room: options, profile, plug-in loader, main window, output and picture.
#pragma once

#include <QMainWindow>
#include <QPixmap>

class HostCallLog;
class HostConsole;
class HostEvents;
class HostFaults;
class IVornik;
class ModedGameListener;
class PageWatcher;
class QButtonGroup;
class QLabel;
class QStackedWidget;
class StandInHost;

// The launcher's window: a small navigation (the host's home page and the Vornik page, switched
// through the plug-in's router as the real host does), the container the plug-in puts its view
// into, and the host console.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct About
    {
        QString serviceUrl;
        QString profile;
        QString pluginFile;
        QString hostLogFile;
    };

    MainWindow(IVornik* vornik, StandInHost* host, HostEvents* events, ModedGameListener* games, PageWatcher* page,
               const About& about, HostFaults* faults = nullptr, QWidget* parent = nullptr);

    // The widget to hand to createView.
    QWidget* pageContainer() const;

    // Brings a page to the front: 8 is the Vornik page, anything else the host's home page.
    void showPage(int pageType);

    // The window as it is now, its console caught up with everything so far.
    QPixmap picture();

    // A dark look that sits well beside the page's own.
    static void applyStyle();

private:
    QWidget* navigation();
    QWidget* homePage(const About& about);
    void showModedGames();
    void showPageState();

    IVornik* m_vornik;
    StandInHost* m_host;
    ModedGameListener* m_games;
    PageWatcher* m_page;
    QStackedWidget* m_pages;
    QWidget* m_container;
    HostConsole* m_console = nullptr;
    QWidget* m_home = nullptr;
    QButtonGroup* m_navigation;
    QLabel* m_homeGames = nullptr;
    QLabel* m_gamesStatus;
    QLabel* m_pageStatus;
    // The latest host call looked at for a page to show.
    qint64 m_seenSeq = 0;
};
