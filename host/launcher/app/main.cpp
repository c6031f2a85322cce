// vornik-launcher: does with the plug-in what the launcher host does, on a stand-in host, and
// opens it up to page developers and scripts.

#include "launcher/service/controlapi.h"
#include "hostcalllog.h"
#include "launcher/host/hostevents.h"
#include "launcher/host/hostfaults.h"
#include "hostprofile.h"
#include "iplugin.h"
#include "ivornik.h"
#include "launcher/app/launcheroptions.h"
#include "launcher/app/launcherprofile.h"
#include "launcher/service/launchersite.h"
#include "launcher/app/mainwindow.h"
#include "launcher/app/messageoutput.h"
#include "launcher/host/modedgamelistener.h"
#include "launcher/page/pageprotocol.h"
#include "launcher/page/pagewatcher.h"
#include "launcher/app/pluginloader.h"
#include "launcher/app/screenshot.h"
#include "standinhost.h"
#include "launcher/service/webservice.h"

#include <QApplication>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

#include <malloc.h>

namespace {

constexpr int kVornikPage = 8;

int refuse(const QString& message)
{
    std::fprintf(stderr, "vornik-launcher: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Before any thread starts. The web service answers lists and logs of megabytes from a pool
    // of threads, and glibc gives each thread an arena of its own that keeps what it freed: with
    // the default, every refresh of a large list left the launcher a little bigger while it held
    // no more. Two arenas keep it flat. A count set in the environment wins.
    if (!qEnvironmentVariableIsSet("MALLOC_ARENA_MAX"))
        mallopt(M_ARENA_MAX, 2);
    QCoreApplication::setApplicationName(QStringLiteral("vornik-launcher"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    LauncherOptions options;
    QString error;
    if (!LauncherOptions::parse(arguments, &options, &error))
        return refuse(error + QStringLiteral(" (--help lists the options)"));
    if (options.helpRequested) {
        const QCoreApplication helpOnly(argc, argv);
        std::printf("%s", qPrintable(LauncherOptions::helpText()));
        return 0;
    }
    if (!options.protocolTypesFile.isEmpty()) {
        QSaveFile file(options.protocolTypesFile);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(PageProtocol::protocolFile(options.protocolTypesFile).toUtf8()) < 0 || !file.commit())
            return refuse(QStringLiteral("cannot write %1").arg(options.protocolTypesFile));
        return 0;
    }
    // The web engine reads it once, when it starts; without the option the environment's value
    // (if any) stays in force.
    if (options.remoteDebuggingPort != 0)
        qputenv("QTWEBENGINE_REMOTE_DEBUGGING", QByteArray::number(options.remoteDebuggingPort));

    // Read before anything shows: a bad profile is reported even where no window can open.
    HostProfile profile = HostProfile::demo();
    if (!options.profileFile.isEmpty() && !loadProfileFile(options.profileFile, &profile, &error))
        return refuse(error);

    // Before anything logs, and gone only after everything that logs: the application, the
    // plug-in, the host.
    const MessageOutput messages;

    // A host of a web-engine plug-in must share contexts before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    MainWindow::applyStyle();

    // Bound before the host exists: the profile's service addresses default to this port.
    WebService service;
    if (!service.bind(options.port, &error))
        return refuse(error);
    useServiceAddressByDefault(&profile, service.baseUrl());

    HostCallLog log;
    log.setLimit(options.logKeep);
    if (!options.hostLogFile.isEmpty() && !log.setFile(options.hostLogFile))
        return refuse(QStringLiteral("cannot write the host call log %1").arg(options.hostLogFile));

    const QString pluginFile = options.pluginFile.isEmpty()
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/libVornikPlugin.so")
        : options.pluginFile;
    const LoadedPlugin loaded = loadVornikPlugin(pluginFile, &error);
    if (!loaded.object)
        return refuse(error);

    StandInHost host(profile, &log);
    host.applyProfile();
    host.recordServiceCalls();
    host.registerPlugin(loaded.plugin);
    loaded.plugin->bindHost(host.pluginManager(), 0);
    loaded.plugin->bindLanguage();
    loaded.plugin->bindAccount();

    HostEvents events(&host, loaded.object);
    ModedGameListener games(&log);
    loaded.vornik->addModedGameListListener(&games);
    // Bound, the plug-in hears the user's country, which starts its moded game list.
    events.changeCountry(host.profile().countryCode);

    PageWatcher page;
    HostFaults faults(host.simulator(), &page);
    const MainWindow::About about{service.baseUrl(),
                                  options.profileFile.isEmpty() ? QStringLiteral("built-in demo profile")
                                                                : options.profileFile,
                                  pluginFile, options.hostLogFile};
    MainWindow window(loaded.vornik, &host, &events, &games, &page, about, &faults);
    if (options.windowSize.isValid())
        window.resize(options.windowSize);

    ControlApi::Hooks hooks;
    // Later, so the answer to the request that asked leaves first.
    hooks.quit = [&app] { QTimer::singleShot(0, &app, &QCoreApplication::quit); };
    hooks.pageState = [&page] { return page.state(); };
    hooks.traffic = page.traffic();
    ControlApi control(&events, loaded.vornik, &log, hooks);
    ControlApi::Workbench workbench;
    workbench.reload = [&page](QString* error) { return page.refresh(error); };
    workbench.screenshot = [&window] { return window.picture().toImage(); };
    workbench.faults = &faults;
    control.setWorkbench(workbench);
    LauncherSite site(QCoreApplication::applicationDirPath() + QStringLiteral("/www"), &host.profile(), &log,
                      &control);
    site.setPort(service.port());
    site.setFaults(&faults);
    service.start([&site](const HttpRequest& request) { return site.handle(request); });
    std::printf("serving %s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);

    window.show();
    // The window will not go below what its parts need; say so rather than shoot another size.
    if (options.windowSize.isValid() && window.size() != options.windowSize)
        std::fprintf(stderr, "vornik-launcher: the window cannot be %dx%d; it is %dx%d\n", options.windowSize.width(),
                     options.windowSize.height(), window.width(), window.height());
    loaded.vornik->createView(kVornikPage, options.url.isEmpty() ? service.baseUrl() : options.url,
                              window.pageContainer());
    page.watch(window.pageContainer());
    PageProtocol::offerToPage(window.pageContainer(), options.clientChecks);
    window.showPage(host.profile().currentPage);

    Screenshot screenshot(&window, &page, &games, &log, options.screenshotFile);
    if (!options.screenshotFile.isEmpty())
        screenshot.start();

    const int status = app.exec();
    // Nothing may reach the plug-in or the host through the service while they go.
    service.stop();
    delete loaded.object;
    return status;
}
