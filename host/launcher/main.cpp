// vornik-launcher: does with the plug-in what the launcher host does, on a stand-in host.

#include "hostprofile.h"
#include "iplugin.h"
#include "ivornik.h"
#include "pluginloader.h"
#include "standinhost.h"
#include "standinpluginmanager.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char** argv)
{
    // A host of a web-engine plug-in must share contexts before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vornik-launcher"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Loads the Vornik plug-in on a stand-in host and shows its page."));
    parser.addHelpOption();
    const QCommandLineOption pluginOption(QStringLiteral("plugin"), QStringLiteral("Plug-in file to load."), QStringLiteral("FILE"),
                                          QCoreApplication::applicationDirPath() + QStringLiteral("/libVornikPlugin.so"));
    const QCommandLineOption urlOption(QStringLiteral("url"), QStringLiteral("Address of the page to show."), QStringLiteral("URL"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Write a PNG of the window once the page has loaded, then exit."),
                                              QStringLiteral("FILE"));
    parser.addOptions({pluginOption, urlOption, screenshotOption});
    parser.process(app);

    QString error;
    const LoadedPlugin loaded = loadVornikPlugin(parser.value(pluginOption), &error);
    if (!loaded.object) {
        std::fprintf(stderr, "vornik-launcher: %s\n", qPrintable(error));
        return 2;
    }

    StandInHost host(HostProfile::demo());
    host.applyProfile();
    host.registerPlugin(loaded.plugin);
    loaded.plugin->bindHost(host.pluginManager(), 0);
    loaded.plugin->bindLanguage();
    loaded.plugin->bindAccount();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vornik launcher"));
    auto* container = new QWidget;
    window.setCentralWidget(container);
    window.resize(1200, 760);
    window.show();

    const QString url = parser.isSet(urlOption)
        ? parser.value(urlOption)
        : QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/www/index.html")).toString();
    loaded.vornik->createView(8, url, container);

    if (parser.isSet(screenshotOption)) {
        auto* view = container->findChild<QWebEngineView*>();
        const QString file = parser.value(screenshotOption);
        QObject::connect(view->page(), &QWebEnginePage::loadFinished, &window, [&window, view, file](bool) {
            // Give the page's script a moment to ask for its state and draw it.
            QTimer::singleShot(1500, &window, [&window, view, file] {
                const bool saved = window.grab().save(file, "PNG");
                std::printf("page %s, screenshot %s\n", qPrintable(view->url().toString()), saved ? "written" : "failed");
                QCoreApplication::exit(saved ? 0 : 1);
            });
        });
    }

    const int status = app.exec();
    delete loaded.object;
    return status;
}
