#pragma once

// Keys of the host's configuration store that the plug-in reads.
enum AppConfig : int {
    AppConfigXToken = 13,
    AppConfigAccessToken = 14,
    AppConfigRefreshToken = 15,
    AppConfigWebTestUrl = 24,
    AppConfigWebServiceHost = 25,
    AppConfigVornikEnabled = 26,
};
