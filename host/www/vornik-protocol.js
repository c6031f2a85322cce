// The Vornik page protocol as vornik-client.js reads it: what its development mode checks each
// command against before it is sent, and which commands its mock answers with something. Written
// by `vornik-launcher --write-protocol-types vornik-protocol.js` from the table the launcher's
// protocol check uses; not edited by hand. The launcher hands it to its page itself; elsewhere the
// client loads it from beside its own file. "keys": the types of the keys of "data" (of each item,
// where "data" is an array); "extra": top-level keys beside "event", "callbackEvent" and "data".
globalThis.VornikProtocol = {
  "commands": {
    "getInstalledApps": {"data":"none","replies":true,"keys":{}},
    "getVmList": {"data":"object","replies":true,"keys":{"packageName":"string","method":"string"}},
    "installOrPlayAppforVm": {"data":"object","replies":false,"keys":{"package_name":"string","game_name":"string","id":"string","genre":"string","icon_url":"string","video_url":"string","banner_url":"string","banner_url_v":"string","instance":"string","action":"string","section":"string","cloud_supported":"boolean","cloud_app_url":"string","cloud_type":"string","is_flarn_login_required":"boolean","game_play_preference":"array","vk_stats_info":"object","shareId":"string"},"extra":{"ga":"object"}},
    "openCloudGame": {"data":"object","replies":false,"keys":{"package_name":"string","game_name":"string","id":"string","genre":"string","icon_url":"string","video_url":"string","banner_url":"string","banner_url_v":"string","instance":"string","action":"string","section":"string","cloud_supported":"boolean","cloud_app_url":"string","cloud_type":"string","is_flarn_login_required":"boolean","game_play_preference":"array","vk_stats_info":"object","shareId":"string"},"extra":{"ga":"object"}},
    "pushRealSearchResult": {"data":"array","replies":false,"keys":{"package_name":"string","game_name":"string","icon_url":"string","action":"string","section":"string","cloud_supported":"boolean","cloud_app_url":"string","cloud_type":"string","is_flarn_login_required":"boolean","game_play_preference":"array","steam_supported":"boolean","steam_appp_url":"string","apk_url":"string","is_promoted_app":"boolean"}},
    "notifyClientRefresh": {"data":"none","replies":false,"keys":{}},
    "callClientToLogin": {"data":"none","replies":false,"keys":{}},
    "getUserToken": {"data":"none","replies":true,"keys":{}},
    "refreshAccessToken": {"data":"none","replies":false,"keys":{}},
    "getLanguage": {"data":"none","replies":true,"keys":{}},
    "getHostConfig": {"data":"none","replies":true,"keys":{}},
    "getClientConfig": {"data":"none","replies":true,"keys":{}},
    "openStreamGame": {"data":"object","replies":false,"keys":{"steam_appp_url":"string"},"extra":{"ga":"object"}},
    "closeClientLoading": {"data":"none","replies":false,"keys":{}},
    "openClientLoading": {"data":"none","replies":false,"keys":{}},
    "closeBootAnimation": {"data":"none","replies":false,"keys":{}},
    "changeBannerBackgroundImage": {"data":"object","replies":false,"keys":{"url":"string","direction":"integer"}},
    "servierWorkerUpdateSuccess": {"data":"none","replies":false,"keys":{}},
    "onSearchInGooglePlay": {"data":"object","replies":false,"keys":{"query":"string"}},
    "openShare": {"data":"object","replies":false,"keys":{"url":"string"}},
    "VKGameBack": {"data":"object","replies":false,"keys":{"package":"string","mod_id":"any"}},
    "postStats": {"data":"object","replies":false,"keys":{"table":"string","data":"object"}},
    "getUserConfig": {"data":"none","replies":true,"keys":{}},
    "postWebVersionInfo": {"data":"any","replies":false,"keys":{}},
    "onWebLogger": {"data":"string","replies":false,"keys":{}}
  },
  "pushes": ["updateLanguage","updateUserToken","updateUserConfig","updateInstalledAppsNotification","switchToVKGame","setupMod","clientRealSearch","clientGotoSearch","onPageviewShow"]
};
