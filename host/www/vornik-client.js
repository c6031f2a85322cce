// Promise-based client of the plug-in's page protocol.
//
//   const client = await VornikClient.connect();
//   const apps = await client.request("getInstalledApps");      // resolves with the reply's "data"
//   client.on("updateLanguage", (data, message) => ...);         // pushed events by name ("*": all)
//   const view = await client.waitFor("onPageviewShow", (data) => data.preview === "show");
//   client.send("closeBootAnimation");                           // no reply wanted
//   client.send("openCloudGame", game, { ga: { banner_location: "home" } });  // extra command keys
//
// A reply is tied to its request only by the "callbackEvent" name the page chooses, so every
// request gets a name of its own, and every connect() of a page shares one client (per transport;
// VornikClient.reset() starts over, and the names go on where the dropped client left them). The plug-in
// never answers with an error: a command it does not know still gets an empty reply, and text that
// is not JSON, or a page of another origin, gets none. So in development mode (the launcher turns
// it on, connect({ development }) decides) the client holds each command to the protocol table
// (vornik-protocol.js) before it goes, and refuses it with the launcher's own warning text. Errors
// are VornikErrors with a code: "timeout", "no-transport", "no-bridge", "no-protocol",
// "unknown-command", "wrong-data", "no-reply", "other-profile", "reset".
// Messages pushed before the page connected are lost: ask for the state after connecting.
//
// connect({ transport: "mock", profile }) answers in any browser from a host profile (the
// launcher's --profile format), paced as the plug-in paces its messages; the launcher stays the
// place where the real plug-in answers. A page has one host, so it has one mock: a connect() with
// another profile is refused ("other-profile") rather than answered from the first one's.
//
// A classic script that sets the global VornikClient; vornik-client-module.js is the same client as an
// ES module. Typed by vornik-protocol.d.ts beside it, which the launcher writes from its protocol
// table: with TypeScript checking the page (checkJs, or // @ts-check), a command name, its data, a
// key of the wrong type, a request of a command that replies with nothing, a handler's use of a
// pushed message are held to the protocol before the page runs.

/**
 * The keys of a command beside "event" and "data": "callbackEvent" (wanted where the command
 * replies), "ga" for the game commands.
 * @template {import("./vornik-protocol").VornikCommandName} N
 * @typedef {Omit<import("./vornik-protocol").VornikCommand<N>, "event" | "data">} VornikCommandExtra
 */

/**
 * What send takes after the name: the data (left out where the command reads none), then the
 * other keys (required where the command replies, for its callbackEvent).
 * @template {import("./vornik-protocol").VornikCommandName} N
 * @typedef {import("./vornik-protocol").VornikCommand<N> extends { data: unknown }
 *   ? (import("./vornik-protocol").VornikCommand<N> extends { callbackEvent: string }
 *     ? [data: import("./vornik-protocol").VornikCommandData<N>, extra: VornikCommandExtra<N>]
 *     : [data: import("./vornik-protocol").VornikCommandData<N>, extra?: VornikCommandExtra<N>])
 *   : (import("./vornik-protocol").VornikCommand<N> extends { callbackEvent: string }
 *     ? [data: import("./vornik-protocol").VornikCommandData<N> | undefined, extra: VornikCommandExtra<N>]
 *     : [data?: import("./vornik-protocol").VornikCommandData<N>, extra?: VornikCommandExtra<N>])} VornikSendArgs
 */

/**
 * What request takes after the name: the data, then { timeoutMs, extra }. timeoutMs: 0 waits for
 * ever; by default 10 s, and 40 s for the game commands (the host may wait 30 s for an APK address
 * before it handles one).
 * @template {import("./vornik-protocol").VornikAwaitedCommandName} N
 * @typedef {{ timeoutMs?: number, extra?: Omit<VornikCommandExtra<N>, "callbackEvent"> }} VornikRequestOptions
 */
/**
 * @template {import("./vornik-protocol").VornikAwaitedCommandName} N
 * @typedef {import("./vornik-protocol").VornikCommand<N> extends { data: unknown }
 *   ? [data: import("./vornik-protocol").VornikCommandData<N>, options?: VornikRequestOptions<N>]
 *   : [data?: import("./vornik-protocol").VornikCommandData<N>, options?: VornikRequestOptions<N>]} VornikRequestArgs
 */

/**
 * A handler of on(event): the pushed message's data and the message; for "*", any message.
 * @template {import("./vornik-protocol").VornikPushEventName | "*"} E
 * @typedef {E extends import("./vornik-protocol").VornikPushEventName
 *   ? (data: import("./vornik-protocol").VornikPushData<E>, message: import("./vornik-protocol").VornikPushMessage<E>) => void
 *   : (data: import("./vornik-protocol").VornikJsonObject, message: import("./vornik-protocol").VornikMessage) => void} VornikHandler
 */

/**
 * What on(event) hands its handler, as once and waitFor resolve it.
 * @template {import("./vornik-protocol").VornikPushEventName | "*"} E
 * @typedef {E extends import("./vornik-protocol").VornikPushEventName
 *   ? import("./vornik-protocol").VornikPushData<E> : import("./vornik-protocol").VornikJsonObject} VornikEventData
 */

/**
 * The plug-in's object on the web channel, or the mock's.
 * @typedef {{
 *   dataChanged(text: string): void,
 *   contentChanged: { connect(handler: (message: import("./vornik-protocol").VornikMessage) => void): void },
 * }} VornikBridge
 */

/**
 * How to connect. transport: "channel" (the launcher's or the host's web channel, by default) or
 * "mock"; profile: for the mock, a host profile as an object or the address of its JSON (the
 * page's one mock keeps the first it was given: another is refused with "other-profile" until
 * VornikClient.reset(); an object of the same JSON content, the same address, or none is the same);
 * development: check commands before they go (by default: in the launcher unless its
 * --no-client-checks, and always with the mock); channelScript: where qwebchannel.js comes from
 * when the page has not loaded it (by default /qwebchannel.js of the page's server, or Qt's
 * resource for a local page); protocolScript: where vornik-protocol.js comes from (by default
 * beside this file); timeoutMs: how long the channel may take to come (10 s; 0: for ever).
 * @typedef {{
 *   transport?: "channel" | "mock",
 *   profile?: { [key: string]: unknown } | string,
 *   development?: boolean,
 *   channelScript?: string,
 *   protocolScript?: string,
 *   timeoutMs?: number,
 * }} VornikConnectOptions
 */

/**
 * The mock's stand-in for the host: the commands the page sent it (parsed; text that is not JSON
 * as it came), and push(event, data) sends the page a message as the host would.
 * @typedef {{
 *   profile: { [key: string]: any },
 *   commands: ({ [key: string]: unknown } | string)[],
 *   push(event: string, data?: { [key: string]: unknown }, page?: number): void,
 * }} VornikMockHost
 */

/**
 * A connected client, as VornikClient.connect() resolves it.
 * @typedef {InstanceType<typeof VornikClient>} VornikClient
 */

// Returned as well as set, so that TypeScript sees the global the page uses.
var VornikClient = (function (/** @type {any} */ global) {
  "use strict";

  const DEFAULT_TIMEOUT_MS = 10000;
  // installOrPlayAppforVm answers only once the host has its APK address, which may take 30 s.
  const GAME_TIMEOUT_MS = 40000;
  // The plug-in hands the page at most one message every 10 ms; the mock keeps the same pace.
  const PACE_MS = 10;
  const VORNIK_PAGE = 8;
  // Kept on the global object, so that the page's every copy of the client (a classic script and
  // the module, say) hands out one client per transport and no callback name twice.
  const SHARED = Symbol.for("vornik-client.connections");
  // What outlives VornikClient.reset(): the last callback number of each transport, so that a
  // late reply to a dropped client's request never settles a new client's request of the same
  // name, and the plug-in's object on the web channel, which a second QWebChannel on the one
  // transport would cut off from the first.
  const KEPT = Symbol.for("vornik-client.kept");
  // While this file runs as a classic script: the table is looked for beside it.
  const ownScript = global.document && global.document.currentScript ? global.document.currentScript.src : "";

  class VornikError extends Error {
    /**
     * @param {"timeout" | "no-transport" | "no-bridge" | "no-protocol" | "unknown-command" | "wrong-data" | "no-reply"
     *   | "other-profile" | "reset"} code
     * @param {string} message
     * @param {string[]} [warnings] the protocol table's warnings, where it refused a command
     */
    constructor(code, message, warnings) {
      super(message);
      this.name = "VornikError";
      this.code = code;
      this.warnings = warnings || [];
    }
  }

  /**
   * @param {string} src
   * @param {"no-transport" | "no-protocol"} code
   * @returns {Promise<void>}
   */
  function loadScript(src, code) {
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = src;
      script.onload = () => resolve();
      script.onerror = () => reject(new VornikError(code, "could not load " + src));
      document.head.appendChild(script);
    });
  }

  /**
   * @template T
   * @param {Promise<T>} promise
   * @param {number} timeoutMs 0: for ever
   * @param {string} what
   * @returns {Promise<T>}
   */
  function within(promise, timeoutMs, what) {
    if (!(timeoutMs > 0))
      return promise;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new VornikError("timeout", what + " within " + timeoutMs + " ms")), timeoutMs);
      promise.then((value) => { clearTimeout(timer); resolve(value); },
                   (error) => { clearTimeout(timer); reject(error); });
    });
  }

  /** @param {unknown} value @param {string} name */
  function checkTimeout(value, name) {
    if (value !== undefined && !(typeof value === "number" && value >= 0))
      throw new VornikError("wrong-data", name + " must be a number of milliseconds (0: for ever), not " + JSON.stringify(value));
  }

  // --- the protocol table's check, worded as the launcher's -------------------------------------

  /** @param {unknown} value */
  function isInteger(value) {
    return typeof value === "number" && Math.trunc(value) === value && value >= -2147483648 && value <= 2147483647;
  }

  /** @param {unknown} value */
  function typeOf(value) {
    if (value === undefined)
      return "missing";
    if (value === null)
      return "null";
    if (typeof value === "boolean")
      return "a boolean";
    if (typeof value === "number")
      return isInteger(value) ? "a number" : "a number with a fraction";
    if (typeof value === "string")
      return "a string";
    return Array.isArray(value) ? "an array" : "an object";
  }

  /** @param {string} type */
  function wanted(type) {
    return type === "any" ? "anything" : (/^[aeiou]/.test(type) ? "an " : "a ") + type;
  }

  /** @param {unknown} value @param {string} type */
  function fits(value, type) {
    switch (type) {
    case "none": case "any": return true;
    case "string": return typeof value === "string";
    case "integer": return isInteger(value);
    case "boolean": return typeof value === "boolean";
    case "object": return typeof value === "object" && value !== null && !Array.isArray(value);
    case "array": return Array.isArray(value);
    }
    return false;
  }

  /**
   * @param {any} table
   * @param {string} name
   * @returns {any} the table's row of a command, or undefined
   */
  function row(table, name) {
    return typeof name === "string" && Object.prototype.hasOwnProperty.call(table.commands, name)
      ? table.commands[name] : undefined;
  }

  // What the plug-in will not do as the command's author likely meant: the launcher's warnings,
  // but for callback names reused, which this client never does.
  /**
   * @param {any} table
   * @param {{ [key: string]: any }} command as the plug-in reads it, through JSON
   * @returns {VornikError | null}
   */
  function refusal(table, command) {
    const event = command.event;
    const known = row(table, event);
    if (!known) {
      const warning = typeof event === "string" ? "unknown event \"" + event + "\": the plug-in does nothing with it"
                                                : "\"event\" is " + typeOf(event) + ": the plug-in does nothing with it";
      return new VornikError("unknown-command", warning, [warning]);
    }
    /** @type {string[]} */
    const warnings = [];
    const callback = command.callbackEvent;
    if (known.replies && !(typeof callback === "string" && callback)) {
      warnings.push(callback === undefined ? "no \"callbackEvent\": the reply of " + event + " goes nowhere"
        : "\"callbackEvent\" is " + (typeof callback === "string" ? "empty" : typeOf(callback))
          + ": the reply of " + event + " goes nowhere");
    }
    /** @param {{ [key: string]: unknown }} object @param {string} path */
    const checkKeys = (object, path) => {
      for (const key of Object.keys(known.keys)) {
        if (Object.prototype.hasOwnProperty.call(object, key) && !fits(object[key], known.keys[key]))
          warnings.push("\"" + path + "." + key + "\" is " + typeOf(object[key]) + "; " + event + " reads " + wanted(known.keys[key]));
      }
    };
    const data = command.data;
    if (!fits(data, known.data))
      warnings.push("\"data\" is " + typeOf(data) + "; " + event + " reads " + wanted(known.data));
    else if (known.data === "object")
      checkKeys(data, "data");
    else if (known.data === "array") {
      data.forEach((/** @type {unknown} */ item, /** @type {number} */ i) => {
        if (fits(item, "object"))
          checkKeys(/** @type {{ [key: string]: unknown }} */ (item), "data[" + i + "]");
        else
          warnings.push("\"data[" + i + "]\" is " + typeOf(item) + "; " + event + " skips all but objects");
      });
    }
    return warnings.length ? new VornikError("wrong-data", warnings.join("; "), warnings) : null;
  }

  // --- the mock: the plug-in's answers from a host profile -----------------------------------------

  /**
   * @param {{ [key: string]: any }} profile
   * @returns {{ [key: string]: any }} the profile, or throws what is wrong with it
   */
  function checkedProfile(profile) {
    /** @type {[string, string][]} */
    const types = [["language", "string"], ["account", "object"], ["account.loggedIn", "boolean"],
      ["account.email", "string"], ["account.userId", "string"], ["account.token", "string"],
      ["appConfig", "object"], ["hostMap", "object"], ["oneButtonConfig", "integer"],
      ["clientVersion", "string"], ["clientUuid", "string"], ["systemConfig", "object"],
      ["hasPlayStore", "boolean"], ["instances", "array"], ["defaultEngines", "object"]];
    for (const [path, type] of types) {
      const [first, second] = path.split(".");
      const value = second === undefined ? profile[first] : (profile[first] || {})[second];
      if (value !== undefined && !fits(value, type))
        throw new VornikError("wrong-data", "the profile's \"" + path + "\" is " + typeOf(value) + ", not " + wanted(type));
    }
    (profile.instances || []).forEach((/** @type {any} */ instance, /** @type {number} */ i) => {
      if (!fits(instance, "object") || !fits(instance.apps || [], "array"))
        throw new VornikError("wrong-data", "the profile's \"instances[" + i + "]\" must be an object with an array \"apps\"");
    });
    return profile;
  }

  /** @type {{ [name: string]: (profile: any, data: any) => { [key: string]: unknown } }} */
  const answers = {
    getInstalledApps(profile) {
      /** @type {Set<string>} */
      const packages = new Set();
      for (const instance of profile.instances || [])
        for (const app of instance.apps || [])
          packages.add(String(app));
      const apps = [...packages].sort().map((name) => ({ package_name: name }));
      if (profile.hasPlayStore)
        apps.push({ package_name: "com.android.vending" });
      return { action: "all", apps: apps };
    },
    getVmList(profile, data) {
      const packageName = data && typeof data.packageName === "string" ? data.packageName : "";
      if (!packageName || !data || data.method !== "play")
        return {};
      const instances = (profile.instances || []).map((/** @type {any} */ instance) => ({
        id: String(instance.id || ""), name: String(instance.name || ""), type: String(instance.type || ""),
        holds: (instance.apps || []).includes(packageName) }));
      const pick = (/** @type {boolean} */ holds) => instances.filter((/** @type {any} */ i) => i.holds === holds)
        .map((/** @type {any} */ i) => ({ id: i.id, name: i.name, type: i.type }));
      return { installed: pick(true), uninstalled: pick(false),
               defaultEngines: String((profile.defaultEngines || {})[packageName] || "") };
    },
    getUserToken(profile) {
      const account = profile.account || {};
      if (!account.loggedIn)
        return {};
      const config = profile.appConfig || {};
      return { email: account.email || "", token: account.token || "", userid: account.userId || "",
               xtoken: String(config["13"] || ""), accesstoken: String(config["14"] || ""),
               refreshtoken: String(config["15"] || "") };
    },
    getLanguage(profile) {
      const language = profile.language === undefined ? "en" : profile.language;
      return { language: language, defaultLanguage: language };
    },
    getHostConfig(profile) {
      return Object.assign({}, profile.hostMap);
    },
    getClientConfig(profile) {
      const uuid = String(profile.clientUuid || "").replace(/^\{|\}$/g, "").toLowerCase();
      return { x_version: profile.clientVersion || "",
               uuid: /^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$/.test(uuid) ? uuid : "00000000-0000-0000-0000-000000000000",
               systemConfig: profile.systemConfig || {} };
    },
    getUserConfig(profile) {
      return { one_button_config: profile.oneButtonConfig || 0 };
    },
  };

  /**
   * @param {any} table
   * @param {{ [key: string]: any }} profile
   * @returns {{ bridge: VornikBridge, host: VornikMockHost }}
   */
  function mockBridge(table, profile) {
    const unanswered = Object.keys(table.commands).filter((name) => table.commands[name].replies && !answers[name]);
    if (unanswered.length)
      throw new VornikError("no-protocol", "the mock cannot answer " + unanswered.join(", ") + ": the client is older than its table");
    /** @type {((message: import("./vornik-protocol").VornikMessage) => void)[]} */
    const receivers = [];
    /** @type {import("./vornik-protocol").VornikMessage[]} */
    const queue = [];
    let busy = false;
    const deliverNext = () => {
      const message = queue.shift();
      if (!message) {
        busy = false;
        return;
      }
      message.stamp = Date.now();
      for (const receiver of receivers.slice())
        receiver(JSON.parse(JSON.stringify(message)));
      setTimeout(deliverNext, PACE_MS);
    };
    /** @type {VornikMockHost} */
    const host = {
      profile: profile,
      commands: [],
      push(event, data, page) {
        queue.push({ event: event, page: page === undefined ? VORNIK_PAGE : page, data: JSON.parse(JSON.stringify(data || {})), stamp: 0 });
        if (!busy) {
          busy = true;
          setTimeout(deliverNext, 0);
        }
      },
    };
    /** @type {VornikBridge} */
    const bridge = {
      dataChanged(text) {
        let command;
        try {
          command = JSON.parse(text);
        } catch (error) {
          command = undefined;
        }
        // What the plug-in drops unread, the mock does too.
        if (!fits(command, "object")) {
          host.commands.push(String(text));
          return;
        }
        host.commands.push(command);
        const callback = command.callbackEvent;
        if (typeof callback !== "string" || !callback)
          return;
        const known = row(table, command.event);
        host.push(callback, known && known.replies ? answers[command.event](profile, command.data) : {});
      },
      contentChanged: { connect(handler) { receivers.push(handler); } },
    };
    return { bridge: bridge, host: host };
  }

  // --- connecting -------------------------------------------------------------------------------

  /** @returns {{ sequences: { [transport: string]: number }, channel: VornikBridge | null }} */
  function kept() {
    return global[KEPT] || (global[KEPT] = { sequences: {}, channel: null });
  }

  // JSON with every object's keys in order: a profile written out in another order is the same.
  /** @param {unknown} value */
  function canonical(value) {
    return JSON.stringify(value, (key, item) => fits(item, "object")
      ? Object.fromEntries(Object.keys(item).sort().map((name) => [name, item[name]])) : item);
  }

  // An address as fetch() reads it, against the document's base.
  /** @param {string} address */
  function resolved(address) {
    try {
      return new URL(address, global.document ? global.document.baseURI : undefined).href;
    } catch (error) {
      return address;
    }
  }

  /**
   * Whether a connect()'s profile is the one the page's mock was made with: none always is; an
   * address is the same address; an object has the same JSON content as that one has now.
   * @param {VornikConnectOptions["profile"]} first as the mock was given it ({} for none)
   * @param {VornikConnectOptions["profile"]} asked
   */
  function sameProfile(first, asked) {
    if (asked === undefined || asked === first)
      return true;
    if (typeof first === "string" || typeof asked === "string")
      return typeof first === "string" && typeof asked === "string" && resolved(first) === resolved(asked);
    return canonical(first) === canonical(asked);
  }

  /** @param {string} what */
  function resetError(what) {
    return new VornikError("reset", what + ": VornikClient.reset() dropped the client; connect() again for a new one");
  }

  /**
   * @param {VornikConnectOptions} options
   * @param {boolean} development
   * @returns {Promise<any>} the table, or null where it is not needed
   */
  async function protocolTable(options, development) {
    if (!development && options.transport !== "mock")
      return null;
    if (!global.VornikProtocol) {
      const src = options.protocolScript || (ownScript ? new URL("vornik-protocol.js", ownScript).href : "vornik-protocol.js");
      await loadScript(src, "no-protocol").catch(() => {
        throw new VornikError("no-protocol", "the protocol table (vornik-protocol.js) could not be loaded from " + src
          + ": development mode and the mock need it");
      });
    }
    if (!global.VornikProtocol || !global.VornikProtocol.commands)
      throw new VornikError("no-protocol", "vornik-protocol.js did not set the protocol table");
    return global.VornikProtocol;
  }

  /**
   * @param {VornikConnectOptions} options
   * @returns {Promise<VornikBridge>}
   */
  async function channelBridge(options) {
    const known = kept().channel;
    if (known)
      return known;
    const timeoutMs = options.timeoutMs === undefined ? DEFAULT_TIMEOUT_MS : options.timeoutMs;
    if (typeof global.QWebChannel === "undefined") {
      // A page of the launcher's own service finds the script there, a local one in Qt's resources.
      const src = options.channelScript
        || (global.location.protocol === "file:" ? "qrc:///qtwebchannel/qwebchannel.js" : "/qwebchannel.js");
      await within(loadScript(src, "no-transport"), timeoutMs, "qwebchannel.js did not load from " + src);
    }
    if (typeof global.qt === "undefined" || !global.qt.webChannelTransport)
      throw new VornikError("no-transport", "no web channel transport (qt.webChannelTransport): the page is not in the "
        + "launcher or the host; connect({ transport: \"mock\", profile }) answers in any browser");
    return within(new Promise((resolve, reject) => {
      new global.QWebChannel(global.qt.webChannelTransport, (/** @type {any} */ channel) => {
        const bridge = channel.objects.webBridge;
        if (!bridge)
          reject(new VornikError("no-bridge", "the web channel has no \"webBridge\" object"));
        else
          resolve(kept().channel = bridge);
      });
    }), timeoutMs, "the web channel did not answer");
  }

  /**
   * @param {VornikConnectOptions} options
   * @returns {Promise<VornikClient>}
   */
  async function open(options) {
    checkTimeout(options.timeoutMs, "timeoutMs");
    const mock = options.transport === "mock";
    if (!mock && options.transport !== undefined && options.transport !== "channel")
      throw new VornikError("no-transport", "unknown transport " + JSON.stringify(options.transport) + ": \"channel\" or \"mock\"");
    const development = typeof options.development === "boolean" ? options.development
      : mock || Boolean(global.VornikLauncher && global.VornikLauncher.development);
    const table = await protocolTable(options, development);
    if (!mock)
      return new VornikClient(await channelBridge(options), development ? table : null);
    let profile = options.profile === undefined ? {} : options.profile;
    if (typeof profile === "string") {
      const src = profile;
      profile = await fetch(src).then((reply) => reply.json()).catch((error) => {
        throw new VornikError("wrong-data", "the profile " + src + " could not be read: " + error.message);
      });
    }
    if (!fits(profile, "object"))
      throw new VornikError("wrong-data", "the profile must be a JSON object, not " + typeOf(profile));
    const made = mockBridge(table, checkedProfile(/** @type {{ [key: string]: any }} */ (profile)));
    const client = new VornikClient(made.bridge, development ? table : null);
    client.mock = made.host;
    return client;
  }

  class VornikClient {
    /**
     * @param {VornikBridge} bridge
     * @param {any} table the protocol table to check commands against; null: send them unchecked
     */
    constructor(bridge, table) {
      this.bridge = bridge;
      /** The protocol table, where commands are checked before they go. */
      this.table = table;
      this.development = Boolean(table);
      /** @type {VornikMockHost | null} the mock's host, with the mock transport */
      this.mock = null;
      /** @type {Map<string, (message: import("./vornik-protocol").VornikMessage) => void>} */
      this.pending = new Map();
      /** @type {Map<string, Function[]>} */
      this.listeners = new Map();
      /** @type {((command: { [key: string]: unknown } | string) => void)[]} */
      this.sendTaps = [];
      this.sequence = 0;
      /** Set by VornikClient.reset(): the client sends and receives nothing more. */
      this.dropped = false;
      /** @type {Set<() => void>} what rejects the requests and waits still open, when dropped */
      this.abandons = new Set();
      bridge.contentChanged.connect((message) => this._receive(message));
    }

    /** The class of the client's errors, for instanceof. */
    static get Error() {
      return VornikError;
    }

    /**
     * One client per transport and page, however often it is asked for; a connection that
     * failed is tried afresh next time. The mock's rejects with "other-profile" where the
     * profile is not the one the page's mock was made with (see VornikConnectOptions).
     * @param {VornikConnectOptions} [options]
     * @returns {Promise<VornikClient>}
     */
    static connect(options) {
      const settings = options || {};
      const key = settings.transport || "channel";
      /** @typedef {{ profile: VornikConnectOptions["profile"], connection: Promise<VornikClient>, client?: VornikClient }} Shared */
      /** @type {Map<string, Shared>} */
      const shared = global[SHARED] || (global[SHARED] = new Map());
      const entry = shared.get(key);
      if (entry) {
        if (key === "mock" && !sameProfile(entry.profile, settings.profile)) {
          return Promise.reject(new VornikError("other-profile", "the page's mock answers from another profile than "
            + "this connect() gives: VornikClient.reset() drops it, and the next connect() makes a mock of this one"));
        }
        return entry.connection;
      }
      const made = /** @type {Shared} */ ({ profile: settings.profile === undefined ? {} : settings.profile });
      made.connection = open(settings).then((client) => {
        // Reset while it connected: the page asked to start over, this one is already old.
        if (shared.get(key) !== made) {
          client._drop();
          throw resetError("connect()");
        }
        client.sequence = kept().sequences[key] || 0;
        return (made.client = client);
      });
      made.connection.catch(() => {
        if (shared.get(key) === made)
          shared.delete(key);
      });
      shared.set(key, made);
      return made.connection;
    }

    /**
     * Drops the page's clients (both forms'), so that the next connect() makes a new one, of
     * the mock with any profile. Their open requests, once and waitFor reject with "reset",
     * a connect() still under way too; their handlers get nothing more, and what they are
     * asked to send throws "reset".
     */
    static reset() {
      const shared = global[SHARED];
      if (!shared)
        return;
      const dropped = [...shared];
      shared.clear();
      for (const [key, entry] of dropped) {
        if (entry.client) {
          kept().sequences[key] = entry.client.sequence;
          entry.client._drop();
        }
      }
    }

    // Sends a command and resolves with the "data" of the reply sent under its callback name.
    /**
     * @template {import("./vornik-protocol").VornikAwaitedCommandName} N
     * @param {N} event
     * @param {VornikRequestArgs<N>} args
     * @returns {Promise<import("./vornik-protocol").VornikReplyData<N>>}
     */
    request(event, ...args) {
      const [data, options] = args;
      const timeoutMs = options && options.timeoutMs !== undefined ? options.timeoutMs
        : this._isGameCommand(event) ? GAME_TIMEOUT_MS : DEFAULT_TIMEOUT_MS;
      const callbackEvent = event + "#" + (++this.sequence);
      return new Promise((resolve, reject) => {
        checkTimeout(timeoutMs, "timeoutMs");
        /** @type {{ [key: string]: unknown }} */
        const command = Object.assign({ event: event }, options && options.extra, { callbackEvent: callbackEvent });
        if (data !== undefined)
          command.data = data;
        const known = this.table && row(this.table, event);
        // The plug-in answers it with {} at once: nothing worth waiting for.
        if (known && !known.replies && !this._isGameCommand(event))
          throw new VornikError("no-reply", event + " replies with nothing: send it, do not request it");
        /** @type {any} */
        let timer = 0;
        /** @param {VornikError} error */
        const fail = (error) => {
          clearTimeout(timer);
          this.pending.delete(callbackEvent);
          this.abandons.delete(abandon);
          reject(error);
        };
        const abandon = () => fail(resetError(event));
        if (timeoutMs > 0) {
          // What the plug-in drops unread looks the same from here: name the usual causes.
          timer = setTimeout(() => fail(new VornikError("timeout", event + ": no reply within " + timeoutMs + " ms (the "
            + "plug-in answers only a page of the origin the host registered for it, and no text that is not JSON)")), timeoutMs);
        }
        this.pending.set(callbackEvent, (message) => {
          clearTimeout(timer);
          this.abandons.delete(abandon);
          // Its shape is what the plug-in replies to this command, as the declarations say.
          resolve(/** @type {any} */ (message.data));
        });
        this.abandons.add(abandon);
        try {
          this._post(command);
        } catch (error) {
          fail(/** @type {VornikError} */ (error));
        }
      });
    }

    // Sends a command without waiting for anything; in development mode, throws the VornikError
    // of a command the table refuses. extra: further top-level keys ("callbackEvent", "ga", ...).
    /**
     * @template {import("./vornik-protocol").VornikCommandName} N
     * @param {N} event
     * @param {VornikSendArgs<N>} args
     */
    send(event, ...args) {
      const [data, extra] = args;
      /** @type {{ [key: string]: unknown }} */
      const command = Object.assign({ event: event }, extra);
      if (data !== undefined)
        command.data = data;
      this._post(command);
    }

    // Sends a command object (or a text, as it is) through the bridge, unchecked.
    /** @param {{ [key: string]: unknown } | string} command */
    sendRaw(command) {
      if (this.dropped)
        throw resetError(typeof command === "string" ? "sendRaw" : String(command.event));
      for (const tap of this.sendTaps.slice())
        this._guarded(() => tap(command));
      this.bridge.dataChanged(typeof command === "string" ? command : JSON.stringify(command));
    }

    // handler(data, message) for every message with that event name; "*" sees every message.
    // Returns a function that removes the handler again.
    /**
     * @template {import("./vornik-protocol").VornikPushEventName | "*"} E
     * @param {E} event
     * @param {VornikHandler<E>} handler
     * @returns {() => void}
     */
    on(event, handler) {
      if (!this.listeners.has(event))
        this.listeners.set(event, []);
      /** @type {Function[]} */ (this.listeners.get(event)).push(handler);
      return () => {
        const handlers = this.listeners.get(event) || [];
        const index = handlers.indexOf(handler);
        if (index >= 0)
          handlers.splice(index, 1);
      };
    }

    // Resolves with the data of the next message with that event name.
    /**
     * @template {import("./vornik-protocol").VornikPushEventName | "*"} E
     * @param {E} event
     * @returns {Promise<VornikEventData<E>>}
     */
    once(event) {
      return this.waitFor(event, () => true, 0);
    }

    // Resolves with the data of the next message with that event name that predicate(data,
    // message) accepts; rejects with "timeout" after timeoutMs (10 s by default; 0: for ever).
    /**
     * @template {import("./vornik-protocol").VornikPushEventName | "*"} E
     * @param {E} event
     * @param {(data: VornikEventData<E>, message: import("./vornik-protocol").VornikMessage) => boolean} [predicate]
     * @param {number} [timeoutMs]
     * @returns {Promise<VornikEventData<E>>}
     */
    waitFor(event, predicate, timeoutMs) {
      checkTimeout(timeoutMs, "timeoutMs");
      const limit = timeoutMs === undefined ? DEFAULT_TIMEOUT_MS : timeoutMs;
      /** @type {() => void} */
      let stop = () => {};
      /** @type {() => void} */
      let abandon = () => {};
      /** @type {Promise<VornikEventData<E>>} */
      const arrived = new Promise((resolve, reject) => {
        if (this.dropped)
          throw resetError(event);
        abandon = () => reject(resetError(event));
        this.abandons.add(abandon);
        stop = this.on(event, /** @type {any} */ ((/** @type {any} */ data, /** @type {any} */ message) => {
          if (predicate && !predicate(data, message))
            return;
          stop();
          resolve(data);
        }));
      });
      return within(arrived, limit, event + ": no such message").finally(() => {
        stop();
        this.abandons.delete(abandon);
      });
    }

    // handler(command) for every command the page sends, before it goes out: the command object,
    // or the text sendRaw was given. Returns a function that removes the handler again.
    /**
     * @param {(command: { [key: string]: unknown } | string) => void} handler
     * @returns {() => void}
     */
    onSend(handler) {
      this.sendTaps.push(handler);
      return () => {
        const index = this.sendTaps.indexOf(handler);
        if (index >= 0)
          this.sendTaps.splice(index, 1);
      };
    }

    // The game commands are answered once the host has taken the game, worth waiting for.
    /** @param {string} event */
    _isGameCommand(event) {
      return event === "installOrPlayAppforVm" || event === "openCloudGame" || event === "openStreamGame";
    }

    // Checked as the plug-in will read it: through JSON, where undefined keys vanish.
    /** @param {{ [key: string]: unknown }} command */
    _post(command) {
      if (this.table) {
        const refused = refusal(this.table, JSON.parse(JSON.stringify(command)));
        if (refused)
          throw refused;
      }
      this.sendRaw(command);
    }

    // A handler that throws is reported as any uncaught error (console, window.onerror), and the
    // others still run.
    /** @param {() => void} call */
    _guarded(call) {
      try {
        call();
      } catch (error) {
        setTimeout(() => { throw error; });
      }
    }

    // What reset() leaves of the client: nothing that waits, and nothing more it sends or hears.
    _drop() {
      this.dropped = true;
      for (const abandon of [...this.abandons])
        abandon();
    }

    /** @param {import("./vornik-protocol").VornikMessage} message */
    _receive(message) {
      if (this.dropped)
        return;
      const settle = this.pending.get(message.event);
      if (settle) {
        this.pending.delete(message.event);
        settle(message);
      }
      for (const name of [message.event, "*"]) {
        for (const handler of (this.listeners.get(name) || []).slice())
          this._guarded(() => handler(message.data, message));
      }
    }
  }

  global.VornikClient = VornikClient;
  return VornikClient;
})(globalThis);
