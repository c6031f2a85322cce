// The body of the moded game list reply, handed to the plug-in as the host's HTTP service hands
// it over, then parsed on the plug-in's thread; each listed game's APK address is asked of the
// stand-in host, which answers on a later turn of the event loop, as the host does.

#include "fuzzsupport.h"
#include "hostcalllog.h"
#include "ivornik.h"
#include "modedgame.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QSet>

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    Fuzz::startApplication((*argv)[0]);
    Fuzz::harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<int>(size));
    PluginHarness& harness = Fuzz::harness();
    harness.deliver(QStringLiteral("GetModedGameList"), body);
    Fuzz::runQueued();
    if (harness.log()->count(QStringLiteral("IBrowser"), QStringLiteral("modedGameListDocument")) != 1)
        Fuzz::fail("the delivered reply never reached the parse");

    // Every answered address lands in the first record of its package: that is the record every
    // later lookup of the package finds.
    const ModedGameList* games = harness.vornik()->modedGameList();
    QSet<QString> seen;
    for (const ModedGame& game : *games) {
        if (seen.contains(game.packageName))
            continue;
        seen.insert(game.packageName);
        const QString expected = harness.host()->profile().apkUrls.value(game.packageName);
        if (game.apkUrl != expected)
            Fuzz::fail("a listed game lacks the APK address the host answered", game.packageName);
    }
    Fuzz::settle();
    return 0;
}
