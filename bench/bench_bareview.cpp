// The reference for the launcher's start and memory: a window with a web view that loads the
// address it is given, and nothing else. Prints "loaded" when its first load has finished well,
// then stays up until it is ended, so its memory can be read with the page up.

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char** argv)
{
    // What any program with a web view does before its application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_bareview URL\n");
        return 2;
    }
    QWebEngineView view;
    bool reported = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&reported](bool ok) {
        if (ok && !reported) {
            reported = true;
            std::printf("loaded\n");
            std::fflush(stdout);
        }
    });
    view.resize(1280, 800);
    view.show();
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    return app.exec();
}
