// How long the GUI thread spends on a moded game list of N games: from the HTTP service's
// callback to the listener's event, including the N APK lookups the parse starts.

#include "hostprofile.h"
#include "ifiledownhandle.h"
#include "ivornik.h"
#include "pluginharness.h"
#include "standinhost.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstdio>

namespace {

class Listener : public QObject
{
public:
    int events = 0;
    bool event(QEvent* event) override
    {
        if (int(event->type()) == KEvent::ModedGameListChange)
            ++events;
        return QObject::event(event);
    }
};

QByteArray listOf(int games)
{
    QJsonArray data;
    for (int i = 0; i < games; ++i) {
        data.append(QJsonObject{{"id", QString::number(i)},
                                {"packageName", QStringLiteral("com.example.game%1").arg(i)},
                                {"name", QStringLiteral("Game %1").arg(i)}});
    }
    return QJsonDocument(QJsonObject{{"data", data}}).toJson(QJsonDocument::Compact);
}

} // namespace

class ModedListBench : public QObject
{
    Q_OBJECT
private slots:
    void parse()
    {
        PluginHarness harness;
        harness.bind();
        Listener listener;
        harness.vornik()->addModedGameListListener(&listener);
        auto* handle = static_cast<IFileDownHandle*>(harness.object()->qt_metacast("IFileDownHandle"));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        std::printf("%10s %12s %14s\n", "games", "ms", "us per game");
        for (int games : {1000, 5000, 20000, 50000}) {
            HttpDaoRequest request;
            request.name = QStringLiteral("GetModedGameList");
            request.data = listOf(games);
            const int before = listener.events;
            QElapsedTimer timer;
            timer.start();
            handle->downloadFinished(request);
            QTRY_COMPARE_WITH_TIMEOUT(listener.events, before + 1, 600000);
            const qint64 ms = timer.elapsed();
            std::printf("%10d %12lld %14.2f\n", games, static_cast<long long>(ms), ms * 1000.0 / games);
            QCOMPARE(harness.vornik()->modedGameList()->size(), games);
        }
        qInstallMessageHandler(nullptr);
    }
};

VORNIK_TEST_MAIN(ModedListBench)
#include "bench_modedlist.moc"
