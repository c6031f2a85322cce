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
(function (global) {
  "use strict";

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
    constructor(bridge) {
      this.bridge = bridge;
      this.pending = new Map();
      this.listeners = new Map();
      this.sendTaps = [];
      this.sequence = 0;
      bridge.contentChanged.connect((message) => this._receive(message));
    }

    static async connect() {
      await loadChannelScript();
      if (typeof global.qt === "undefined" || !global.qt.webChannelTransport)
        throw new Error("not running inside the launcher: no web channel transport");
      return new Promise((resolve, reject) => {
        new global.QWebChannel(global.qt.webChannelTransport, (channel) => {
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
    request(event, data, options) {
      const timeoutMs = (options && options.timeoutMs) || 10000;
      const callbackEvent = event + "#" + (++this.sequence);
      return new Promise((resolve, reject) => {
        const timer = setTimeout(() => {
          this.pending.delete(callbackEvent);
          reject(new Error(event + ": no reply within " + timeoutMs + " ms"));
        }, timeoutMs);
        this.pending.set(callbackEvent, (message) => {
          clearTimeout(timer);
          resolve(message.data);
        });
        this.send(event, data, Object.assign({}, options && options.extra, { callbackEvent: callbackEvent }));
      });
    }

    // Sends a command without waiting for anything. extra: further top-level keys ("ga", ...).
    send(event, data, extra) {
      const command = Object.assign({ event: event }, extra);
      if (data !== undefined)
        command.data = data;
      this.sendRaw(command);
    }

    // Sends a command object (or a text, as it is) through the bridge.
    sendRaw(command) {
      for (const tap of this.sendTaps.slice())
        tap(command);
      this.bridge.dataChanged(typeof command === "string" ? command : JSON.stringify(command));
    }

    // handler(data, message) for every message with that event name; "*" sees every message.
    // Returns a function that removes the handler again.
    on(event, handler) {
      if (!this.listeners.has(event))
        this.listeners.set(event, []);
      this.listeners.get(event).push(handler);
      return () => {
        const handlers = this.listeners.get(event) || [];
        const index = handlers.indexOf(handler);
        if (index >= 0)
          handlers.splice(index, 1);
      };
    }

    // handler(command) for every command the page sends, before it goes out.
    onSend(handler) {
      this.sendTaps.push(handler);
    }

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
})(window);
