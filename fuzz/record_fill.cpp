// The host records a page fills from JSON, one kind per command: the game action and the game's
// details (install or play, open in the cloud), the Steam play event (open a stream game), the
// search results and the banner background. The first byte chooses the command ('0' to '4'), the
// rest is the command's "data".

#include "fuzzsupport.h"
#include "hostcalllog.h"
#include "jsontext.h"
#include "pluginharness.h"
#include "standinhost.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

const char* const kCommands[] = {"installOrPlayAppforVm", "openCloudGame", "openStreamGame", "pushRealSearchResult",
                                 "changeBannerBackgroundImage"};
constexpr int kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);

QString compact(const QJsonValue& value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
}

// A game not marked for the cloud reaches the host without a cloud address, whatever the page sent
// with it: the protocol promises pages that such an address is dropped.
void checkCloudAddresses(const QJsonValue& value)
{
    if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            checkCloudAddresses(item);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject object = value.toObject();
    if (object.contains(QLatin1String("cloudSupported")) && !object.value(QLatin1String("cloudSupported")).toBool()
        && !object.value(QLatin1String("cloudAppUrl")).toString().isEmpty())
        Fuzz::fail("a record without cloud support carries a cloud address", compact(object));
    for (const QJsonValue& member : object)
        checkCloudAddresses(member);
}

int searchResultsExpected(const QJsonValue& data)
{
    int expected = 0;
    for (const QJsonValue& item : data.toArray()) {
        if (item.isObject() && !item.toObject().value(QLatin1String("is_promoted_app")).toBool(false))
            ++expected;
    }
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    Fuzz::startApplication((*argv)[0]);
    // Bound before the first input, so its start-up is not taken for the first input's doing.
    Fuzz::harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int kind = static_cast<unsigned char>(data[0] - '0') % kCommandCount;
    const QByteArray json(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1));
    // The record comes from our own parse here, which Qt's parser would make leak.
    if (JsonText::replacesNonEmptyValue(json))
        return -1;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return 0;
    const QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    const QJsonObject command{
        {QStringLiteral("event"), QLatin1String(kCommands[kind])},
        {QStringLiteral("data"), value},
        {QStringLiteral("ga"), QJsonObject{{QStringLiteral("banner_location"), QStringLiteral("vornik_demo")}}},
    };
    Fuzz::command(QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    // A play command completes when the host has answered with the address.
    Fuzz::runQueued();

    PluginHarness& harness = Fuzz::harness();
    const QJsonArray calls = harness.log()->entries();
    for (const QJsonValue& call : calls)
        checkCloudAddresses(call.toObject().value(QLatin1String("args")));

    const QString package = value.toObject().value(QLatin1String("package_name")).toString();
    switch (kind) {
    case 0: {
        // The address the host answered for the package goes with the action.
        const QJsonArray action = harness.log()->lastArgs(QStringLiteral("IMyGame"), QStringLiteral("performGameAction"));
        const QString expected = harness.host()->profile().apkUrls.value(package);
        if (action.at(0).toObject().value(QLatin1String("apkUrl")).toString() != expected)
            Fuzz::fail("the game action lacks the APK address the host answered", compact(action));
        Q_FALLTHROUGH();
    }
    case 1: {
        // A share id is always recorded: "1" when the page sent none.
        const QJsonArray share = harness.log()->lastArgs(QStringLiteral("IMyGame"), QStringLiteral("recordShareId"));
        if (share.at(0).toArray().at(1).toString().isEmpty())
            Fuzz::fail("the share id went to the host empty", compact(share));
        break;
    }
    case 3: {
        const QJsonArray pushed =
            harness.log()->lastArgs(QStringLiteral("IMainWindow"), QStringLiteral("pushRealSearchResults"));
        if (pushed.at(0).toArray().size() != searchResultsExpected(value))
            Fuzz::fail("the host got other search results than the page's unpromoted games", compact(value));
        break;
    }
    default:
        break;
    }
    Fuzz::settle();
    return 0;
}
