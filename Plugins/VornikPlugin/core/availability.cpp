#include "vornikplugin.h"

#include "../data/vorniknames.h"
#include "klauncher.h"

#include <QLocale>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace VornikNames;

namespace {

// The user's home region as an ISO 3166-1 alpha-2 code, or empty when it cannot be read.
QString homeRegion()
{
#ifdef Q_OS_WIN
    const GEOID nation = GetUserGeoID(GEOCLASS_NATION);
    wchar_t code[8] = {};
    if (nation == GEOID_NOT_AVAILABLE || GetGeoInfoW(nation, GEO_ISO2, code, 8, 0) == 0)
        return QString();
    return QString::fromWCharArray(code);
#else
    // The territory of the address locale, chosen as the C library chooses it.
    QByteArray locale;
    for (const char* variable : {"LC_ALL", "LC_ADDRESS", "LANG"}) {
        locale = qgetenv(variable);
        if (!locale.isEmpty())
            break;
    }
    static const QRegularExpression territory(QStringLiteral("^[A-Za-z]+_([A-Za-z]{2})(?:[.@]|$)"));
    const QRegularExpressionMatch match = territory.match(QString::fromLatin1(locale));
    return match.hasMatch() ? match.captured(1) : QString();
#endif
}

bool computeAvailability()
{
    if (!KLauncher::instance()->getAppConfigValue(AppConfigVornikEnabled).toBool())
        return false;
    if (kBlockedLocaleCountries.contains(QLocale::system().country()))
        return false;
    return !kBlockedRegionCodes.contains(homeRegion());
}

} // namespace

bool VornikPlugin::isAvailable()
{
    // Decided once per process: the feature must not appear or vanish while the host runs.
    static const bool available = computeAvailability();
    return available;
}
