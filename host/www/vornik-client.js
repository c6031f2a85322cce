// Promise-based client of the plug-in's page protocol.
//
//   const client = await VornikClient.connect();
//   const apps = await client.request("getInstalledApps");      // resolves with the reply's "data"
//   client.on("updateLanguage", (data, message) => ...);         // pushed events by name ("*": all)
//   client.send("closeBootAnimation");                           // no reply wanted
//   client.send("openCloudGame", game, { ga: { banner_location: "home" } });  // extra command keys
//
// A reply is tied to its request only by the "callbackEvent" name the page chooses, so every
// request gets a name of its own. The plug-in never answers with an error: a command it does not
// know still gets an empty reply, and a command that is not JSON gets none (the request times out).
// Messages pushed before the page connected are lost: ask for the state after connecting.
//
// Typed by vornik-protocol.d.ts beside it, which the launcher writes from its protocol table: with
// TypeScript checking the page (checkJs, or // @ts-check), a command name, its data, a key of the
// wrong type, a request of a command that replies with nothing, a handler's use of a pushed
// message are held to the protocol before the page runs.

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
 * What request takes after the name: the data, then { timeoutMs, extra }.
 * @template {import("./vornik-protocol").VornikReplyingCommandName} N
 * @typedef {{ timeoutMs?: number, extra?: Omit<VornikCommandExtra<N>, "callbackEvent"> }} VornikRequestOptions
 */
/**
 * @template {import("./vornik-protocol").VornikReplyingCommandName} N
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
 * The plug-in's object on the web channel.
 * @typedef {{
 *   dataChanged(text: string): void,
 *   contentChanged: { connect(handler: (message: import("./vornik-protocol").VornikMessage) => void): void },
 * }} VornikBridge
 */

/**
 * A connected client, as VornikClient.connect() resolves it.
 * @typedef {InstanceType<typeof VornikClient>} VornikClient
 */

// Returned as well as set, so that TypeScript sees the global the page uses.
var VornikClient = (function (/** @type {any} */ global) {
  "use strict";

  /** @returns {Promise<void>} */
  function loadChannelScript() {
    if (typeof global.QWebChannel !== "undefined")
      return Promise.resolve();
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      // Local pages reach Qt's copy through its resource scheme; served pages from their server.
      script.src = global.location.protocol === "file:" ? "qrc:///qtwebchannel/qwebchannel.js" : "/qwebchannel.js";
      script.onload = () => resolve();
      script.onerror = () => reject(new Error("qwebchannel.js could not be loaded from " + script.src));
      document.head.appendChild(script);
    });
  }

  class VornikClient {
    /** @param {VornikBridge} bridge */
    constructor(bridge) {
      this.bridge = bridge;
      /** @type {Map<string, (message: import("./vornik-protocol").VornikMessage) => void>} */
      this.pending = new Map();
      /** @type {Map<string, Function[]>} */
      this.listeners = new Map();
      /** @type {((command: { [key: string]: unknown } | string) => void)[]} */
      this.sendTaps = [];
      this.sequence = 0;
      bridge.contentChanged.connect((message) => this._receive(message));
    }

    /** @returns {Promise<VornikClient>} */
    static async connect() {
      await loadChannelScript();
      if (typeof global.qt === "undefined" || !global.qt.webChannelTransport)
        throw new Error("not running inside the launcher: no web channel transport");
      return new Promise((resolve, reject) => {
        new global.QWebChannel(global.qt.webChannelTransport, (/** @type {any} */ channel) => {
          const bridge = channel.objects.webBridge;
          if (!bridge)
            reject(new Error("the web channel has no \"webBridge\" object"));
          else
            resolve(new VornikClient(bridge));
        });
      });
    }

    // Sends a command and resolves with the "data" of the reply sent under its callback name.
    // options: { timeoutMs, extra } (extra: further top-level keys of the command, such as "ga").
    /**
     * @template {import("./vornik-protocol").VornikReplyingCommandName} N
     * @param {N} event
     * @param {VornikRequestArgs<N>} args
     * @returns {Promise<import("./vornik-protocol").VornikReplyData<N>>}
     */
    request(event, ...args) {
      const [data, options] = args;
      const timeoutMs = (options && options.timeoutMs) || 10000;
      const callbackEvent = event + "#" + (++this.sequence);
      return new Promise((resolve, reject) => {
        const timer = setTimeout(() => {
          this.pending.delete(callbackEvent);
          reject(new Error(event + ": no reply within " + timeoutMs + " ms"));
        }, timeoutMs);
        this.pending.set(callbackEvent, (message) => {
          clearTimeout(timer);
          // Its shape is what the plug-in replies to this command, as the declarations say.
          resolve(/** @type {any} */ (message.data));
        });
        // The arguments fit the command by request's own types; send's cannot follow N here.
        /** @type {any} */ (this).send(event, data, Object.assign({}, options && options.extra, { callbackEvent: callbackEvent }));
      });
    }

    // Sends a command without waiting for anything. extra: further top-level keys ("ga", ...).
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
      this.sendRaw(command);
    }

    // Sends a command object (or a text, as it is) through the bridge, unchecked.
    /** @param {{ [key: string]: unknown } | string} command */
    sendRaw(command) {
      for (const tap of this.sendTaps.slice())
        tap(command);
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

    // handler(command) for every command the page sends, before it goes out: the command object,
    // or the text sendRaw was given.
    /** @param {(command: { [key: string]: unknown } | string) => void} handler */
    onSend(handler) {
      this.sendTaps.push(handler);
    }

    /** @param {import("./vornik-protocol").VornikMessage} message */
    _receive(message) {
      const settle = this.pending.get(message.event);
      if (settle) {
        this.pending.delete(message.event);
        settle(message);
      }
      for (const name of [message.event, "*"]) {
        for (const handler of (this.listeners.get(name) || []).slice())
          handler(message.data, message);
      }
    }
  }

  global.VornikClient = VornikClient;
  return VornikClient;
})(window);
