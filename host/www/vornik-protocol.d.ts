// The Vornik page protocol, for pages written in TypeScript or in JavaScript checked by it: every
// command the page sends, what it reads and what it replies, and every message the plug-in pushes
// unasked. Written by `vornik-launcher --write-protocol-types FILE` from the table the launcher's
// protocol check uses; not edited by hand. docs/PAGE_PROTOCOL.md says how to use it and what types
// cannot tell.
//
// A key the page leaves out, or sends with another JSON type, reads as "", 0, false, {} or [], or
// as its @default; keys the plug-in does not read are ignored.

/** Any value JSON can carry. */
export type VornikJson = string | number | boolean | null | VornikJson[] | { [key: string]: VornikJson };
/** A JSON object. */
export type VornikJsonObject = { [key: string]: VornikJson };
/** The reply of a command that replies with nothing. */
export type VornikEmpty = { [key: string]: never };

/** Every command the plug-in handles. */
export type VornikCommandName =
  | "getInstalledApps"
  | "getVmList"
  | "installOrPlayAppforVm"
  | "openCloudGame"
  | "pushRealSearchResult"
  | "notifyClientRefresh"
  | "callClientToLogin"
  | "getUserToken"
  | "refreshAccessToken"
  | "getLanguage"
  | "getHostConfig"
  | "getClientConfig"
  | "openStreamGame"
  | "closeClientLoading"
  | "openClientLoading"
  | "closeBootAnimation"
  | "changeBannerBackgroundImage"
  | "servierWorkerUpdateSuccess"
  | "onSearchInGooglePlay"
  | "openShare"
  | "VKGameBack"
  | "postStats"
  | "getUserConfig"
  | "postWebVersionInfo"
  | "onWebLogger";

/** The commands whose reply carries something: the ones worth a `request`. */
export type VornikReplyingCommandName =
  | "getInstalledApps"
  | "getVmList"
  | "getUserToken"
  | "getLanguage"
  | "getHostConfig"
  | "getClientConfig"
  | "getUserConfig";

/** What `request` takes: the commands that reply, and the game commands, whose empty reply says the host has taken the game. */
export type VornikAwaitedCommandName =
  | "getInstalledApps"
  | "getVmList"
  | "installOrPlayAppforVm"
  | "openCloudGame"
  | "getUserToken"
  | "getLanguage"
  | "getHostConfig"
  | "getClientConfig"
  | "openStreamGame"
  | "getUserConfig";

/** The messages the plug-in pushes unasked. */
export type VornikPushEventName =
  | "updateLanguage"
  | "updateUserToken"
  | "updateUserConfig"
  | "updateInstalledAppsNotification"
  | "switchToVKGame"
  | "setupMod"
  | "clientRealSearch"
  | "clientGotoSearch"
  | "onPageviewShow";

/** What each command reads from `data`; `undefined`: nothing, leave it out. */
export interface VornikCommandDataMap {
  getInstalledApps: undefined;
  getVmList: {
    packageName?: string;
    method?: string;
  };
  installOrPlayAppforVm: {
    package_name?: string;
    game_name?: string;
    id?: string;
    genre?: string;
    icon_url?: string;
    video_url?: string;
    banner_url?: string;
    banner_url_v?: string;
    instance?: string;
    action?: string;
    section?: string;
    /** @default false */
    cloud_supported?: boolean;
    cloud_app_url?: string;
    cloud_type?: string;
    /** @default true */
    is_flarn_login_required?: boolean;
    game_play_preference?: VornikJson[];
    vk_stats_info?: {
      banner_location?: string;
      section?: string;
      appPage?: string;
      arg1?: string;
    };
    /** @default "1" */
    shareId?: string;
  };
  openCloudGame: {
    package_name?: string;
    game_name?: string;
    id?: string;
    genre?: string;
    icon_url?: string;
    video_url?: string;
    banner_url?: string;
    banner_url_v?: string;
    instance?: string;
    action?: string;
    section?: string;
    /** @default false */
    cloud_supported?: boolean;
    cloud_app_url?: string;
    cloud_type?: string;
    /** @default true */
    is_flarn_login_required?: boolean;
    game_play_preference?: VornikJson[];
    vk_stats_info?: {
      banner_location?: string;
      section?: string;
      appPage?: string;
      arg1?: string;
    };
    /** @default "1" */
    shareId?: string;
  };
  pushRealSearchResult: Array<{
    package_name?: string;
    game_name?: string;
    icon_url?: string;
    action?: string;
    section?: string;
    /** @default false */
    cloud_supported?: boolean;
    cloud_app_url?: string;
    cloud_type?: string;
    /** @default true */
    is_flarn_login_required?: boolean;
    game_play_preference?: VornikJson[];
    /** @default false */
    steam_supported?: boolean;
    steam_appp_url?: string;
    apk_url?: string;
    /** @default false */
    is_promoted_app?: boolean;
  }>;
  notifyClientRefresh: undefined;
  callClientToLogin: undefined;
  getUserToken: undefined;
  refreshAccessToken: undefined;
  getLanguage: undefined;
  getHostConfig: undefined;
  getClientConfig: undefined;
  openStreamGame: {
    steam_appp_url?: string;
  };
  closeClientLoading: undefined;
  openClientLoading: undefined;
  closeBootAnimation: undefined;
  changeBannerBackgroundImage: {
    url?: string;
    /**
     * A whole number.
     * @default 0
     */
    direction?: number;
  };
  servierWorkerUpdateSuccess: undefined;
  onSearchInGooglePlay: {
    query?: string;
  };
  openShare: {
    url?: string;
  };
  VKGameBack: {
    package?: string;
    mod_id?: VornikJson;
  };
  postStats: {
    table?: string;
    data?: VornikJsonObject;
  };
  getUserConfig: undefined;
  postWebVersionInfo: VornikJson;
  onWebLogger: string;
}

/** What the reply of each command that replies carries in its `data`. */
export interface VornikReplyDataMap {
  getInstalledApps: {
    action: "all";
    apps: Array<{
      package_name: string;
    }>;
  };
  getVmList: {
    installed: Array<{
      id: string;
      name: string;
      type: string;
    }>;
    uninstalled: Array<{
      id: string;
      name: string;
      type: string;
    }>;
    defaultEngines: string;
  } | {
    installed?: never;
    uninstalled?: never;
    defaultEngines?: never;
  };
  getUserToken: {
    email: string;
    token: string;
    userid: string;
    xtoken: string;
    accesstoken: string;
    refreshtoken: string;
  } | {
    email?: never;
    token?: never;
    userid?: never;
    xtoken?: never;
    accesstoken?: never;
    refreshtoken?: never;
  };
  getLanguage: {
    language: string;
    defaultLanguage: string;
  };
  getHostConfig: {
    [key: string]: string;
  };
  getClientConfig: {
    systemConfig?: VornikJsonObject;
  } & ({
    x_version: string;
    uuid: string;
  } | {
    x_version?: never;
    uuid?: never;
  });
  getUserConfig: {
    /** A whole number. */
    one_button_config?: number;
  };
}

/** What each message pushed unasked carries in its `data`. */
export interface VornikPushDataMap {
  updateLanguage: {
    language: string;
    defaultLanguage: "en";
  };
  updateUserToken: {
    email: string;
    token: string;
    userid: string;
    xtoken: string;
    accesstoken: string;
    refreshtoken: string;
  } | {
    email?: never;
    token?: never;
    userid?: never;
    xtoken?: never;
    accesstoken?: never;
    refreshtoken?: never;
  };
  updateUserConfig: {
    /** A whole number. */
    one_button_config: number;
  };
  updateInstalledAppsNotification: {
    action: "all";
    apps: Array<{
      package_name: string;
    }>;
  };
  switchToVKGame: {
    package: string;
    mod_id: string;
    from: string;
  };
  setupMod: {
    package: string;
    mod_id: string;
    mod_name: string;
  };
  clientRealSearch: {
    query: string;
  };
  clientGotoSearch: {
    query: string;
  };
  onPageviewShow: {
    preview: "show" | "hide";
  };
}

/** Each command as the page sends it. */
export interface VornikCommandMap {
  getInstalledApps: {
    event: "getInstalledApps";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  getVmList: {
    event: "getVmList";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data: VornikCommandDataMap["getVmList"];
  };
  installOrPlayAppforVm: {
    event: "installOrPlayAppforVm";
    callbackEvent?: string;
    data: VornikCommandDataMap["installOrPlayAppforVm"];
    ga?: {
      banner_location?: string;
    };
  };
  openCloudGame: {
    event: "openCloudGame";
    callbackEvent?: string;
    data: VornikCommandDataMap["openCloudGame"];
    ga?: {
      banner_location?: string;
    };
  };
  pushRealSearchResult: {
    event: "pushRealSearchResult";
    callbackEvent?: string;
    data: VornikCommandDataMap["pushRealSearchResult"];
  };
  notifyClientRefresh: {
    event: "notifyClientRefresh";
    callbackEvent?: string;
    data?: undefined;
  };
  callClientToLogin: {
    event: "callClientToLogin";
    callbackEvent?: string;
    data?: undefined;
  };
  getUserToken: {
    event: "getUserToken";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  refreshAccessToken: {
    event: "refreshAccessToken";
    callbackEvent?: string;
    data?: undefined;
  };
  getLanguage: {
    event: "getLanguage";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  getHostConfig: {
    event: "getHostConfig";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  getClientConfig: {
    event: "getClientConfig";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  openStreamGame: {
    event: "openStreamGame";
    callbackEvent?: string;
    data: VornikCommandDataMap["openStreamGame"];
    ga?: {
      banner_location?: string;
    };
  };
  closeClientLoading: {
    event: "closeClientLoading";
    callbackEvent?: string;
    data?: undefined;
  };
  openClientLoading: {
    event: "openClientLoading";
    callbackEvent?: string;
    data?: undefined;
  };
  closeBootAnimation: {
    event: "closeBootAnimation";
    callbackEvent?: string;
    data?: undefined;
  };
  changeBannerBackgroundImage: {
    event: "changeBannerBackgroundImage";
    callbackEvent?: string;
    data: VornikCommandDataMap["changeBannerBackgroundImage"];
  };
  servierWorkerUpdateSuccess: {
    event: "servierWorkerUpdateSuccess";
    callbackEvent?: string;
    data?: undefined;
  };
  onSearchInGooglePlay: {
    event: "onSearchInGooglePlay";
    callbackEvent?: string;
    data: VornikCommandDataMap["onSearchInGooglePlay"];
  };
  openShare: {
    event: "openShare";
    callbackEvent?: string;
    data: VornikCommandDataMap["openShare"];
  };
  VKGameBack: {
    event: "VKGameBack";
    callbackEvent?: string;
    data: VornikCommandDataMap["VKGameBack"];
  };
  postStats: {
    event: "postStats";
    callbackEvent?: string;
    data: VornikCommandDataMap["postStats"];
  };
  getUserConfig: {
    event: "getUserConfig";
    /** The name its reply comes under, one of its own. */
    callbackEvent: string;
    data?: undefined;
  };
  postWebVersionInfo: {
    event: "postWebVersionInfo";
    callbackEvent?: string;
    data?: VornikJson;
  };
  onWebLogger: {
    event: "onWebLogger";
    callbackEvent?: string;
    data: VornikCommandDataMap["onWebLogger"];
  };
}

/** A command as the page sends it: written as JSON text to `webBridge.dataChanged`. */
export type VornikCommand<N extends VornikCommandName = VornikCommandName> = VornikCommandMap[N];
/** What command `N` reads from `data`. */
export type VornikCommandData<N extends VornikCommandName> = VornikCommandDataMap[N];
/** The `data` of the reply to command `N`. */
export type VornikReplyData<N extends VornikCommandName> = N extends VornikReplyingCommandName
  ? VornikReplyDataMap[N]
  : VornikEmpty;
/** The `data` of the pushed message `E`. */
export type VornikPushData<E extends VornikPushEventName> = VornikPushDataMap[E];

/** A message as the page receives it, from `webBridge.contentChanged`. */
export interface VornikMessage<E extends string = string, D = VornikJsonObject> {
  /** The name of a pushed message, or the `callbackEvent` of the command it answers. */
  event: E;
  /** The page mask the sender addressed: 8 is the Vornik page. */
  page: number;
  data: D;
  /** Milliseconds since 1970-01-01 UTC, when the message was handed to the page. */
  stamp: number;
}
/** A message the plug-in pushed unasked. */
export type VornikPushMessage<E extends VornikPushEventName> = VornikMessage<E, VornikPushData<E>>;
/** The reply to command `N`, under its `callbackEvent`. */
export type VornikReplyMessage<N extends VornikCommandName> = VornikMessage<string, VornikReplyData<N>>;
