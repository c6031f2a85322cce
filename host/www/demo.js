"use strict";
// The demo page: a plain page that talks to the plug-in the way the real web application does.
// It asks for its state once connected (pushes sent before that are lost), shows the moded games
// of the web service, the installed apps and the signed-in user, offers the game actions, answers
// the host's live search, logs every message in both directions, and sends a few mistakes on
// purpose for the client's development mode or the launcher's protocol check to flag.
//
// For scripts and DevTools: document.documentElement.dataset.ready is "true" once the first state
// has arrived, and dataset.language holds the language shown. window.demo.client is the client.

const $ = (id) => document.getElementById(id);
// Where the page says it is in statistics and game records.
const BANNER_LOCATION = "vornik_demo";
const SECTION = "moded_games";
const MAX_LOG_ENTRIES = 300;

/** @type {{ client: VornikClient, games: any[], installed: Set<string>, filter: string, language: string }} */
const state = { client: null, games: [], installed: new Set(), filter: "", language: "" };
/** @type {any} */ (window).demo = state;

// --- message log -----------------------------------------------------------------------------

function log(direction, event, data) {
  const item = document.createElement("li");
  item.className = direction;
  const time = new Date().toTimeString().slice(0, 8);
  const name = document.createElement("b");
  name.textContent = event;
  item.append(time + (direction === "out" ? " → " : " ← "), name,
              data === undefined ? "" : " " + JSON.stringify(data));
  item.title = item.textContent;
  const list = $("log");
  const following = list.scrollTop + list.clientHeight >= list.scrollHeight - 4;
  list.appendChild(item);
  while (list.children.length > MAX_LOG_ENTRIES)
    list.firstElementChild.remove();
  if (following)
    list.scrollTop = list.scrollHeight;
}

function setStatus(kind, text) {
  $("status").className = "chip " + kind;
  $("status").textContent = text;
}

function notice(text) {
  $("notice").textContent = text;
  $("notice").hidden = !text;
}

// --- rendering -------------------------------------------------------------------------------

function fillList(list, items, render, emptyText) {
  list.replaceChildren();
  if (!items.length) {
    const empty = document.createElement("li");
    empty.className = "empty";
    empty.textContent = emptyText || "none";
    list.appendChild(empty);
    return;
  }
  for (const item of items)
    list.appendChild(render(item));
}

function button(label, onClick, secondary) {
  const b = document.createElement("button");
  b.textContent = label;
  if (secondary)
    b.className = "secondary";
  b.addEventListener("click", onClick);
  return b;
}

function showUser(token) {
  // A signed-out account comes as an empty object.
  $("user-email").textContent = (token && token.email) || "signed out";
  $("user-id").textContent = (token && token.userid) || "–";
}

function showLanguage(code) {
  state.language = code || "";
  $("language").textContent = state.language || "–";
  document.documentElement.dataset.language = state.language;
  if (state.language)
    document.documentElement.lang = state.language;
}

function showApps(data) {
  const apps = (data && Array.isArray(data.apps)) ? data.apps.map((app) => String(app.package_name)) : [];
  state.installed = new Set(apps);
  $("apps-count").textContent = apps.length ? "(" + apps.length + ")" : "";
  fillList($("apps"), apps, (name) => {
    const item = document.createElement("li");
    const label = document.createElement("span");
    label.className = "name";
    label.textContent = name;
    item.appendChild(label);
    return item;
  });
  showGames();
}

// Records of the web service come as the profile wrote them, whatever their JSON types.
function gameText(value) {
  return value === undefined || value === null ? "" : String(value);
}

function showGames(highlightPackage) {
  const query = state.filter.toLowerCase();
  const games = state.games.filter((game) => !query
      || gameText(game.name).toLowerCase().includes(query)
      || gameText(game.packageName).toLowerCase().includes(query));
  $("games-filter").hidden = !state.filter;
  $("games-filter").textContent = state.filter ? "search: " + state.filter : "";
  fillList($("games"), games, (game) => {
    const packageName = gameText(game.packageName);
    const item = document.createElement("li");
    if (highlightPackage && packageName === highlightPackage)
      item.className = "highlight";
    const name = document.createElement("span");
    name.className = "name";
    name.append(gameText(game.name) || "(no name)");
    const pkg = document.createElement("span");
    pkg.className = "package";
    pkg.textContent = packageName;
    name.appendChild(pkg);
    const badge = document.createElement("span");
    const installed = state.installed.has(packageName);
    badge.className = installed ? "badge" : "badge off";
    badge.textContent = installed ? "installed" : "not installed";
    item.append(name, badge,
                button(installed ? "Play" : "Install", () => playGame(game)),
                button("Cloud", () => cloudGame(game), true));
    return item;
  }, state.filter ? "no game matches" : "none");
}

// --- game actions ----------------------------------------------------------------------------

function statsInfo() {
  return { banner_location: BANNER_LOCATION, section: SECTION, appPage: "demo", arg1: "" };
}

const ga = { ga: { banner_location: BANNER_LOCATION } };

// Asks the host where the game is installed, then plays it there or installs it into the first
// instance without it.
async function playGame(game) {
  const packageName = gameText(game.packageName);
  const vms = await state.client.request("getVmList", { packageName: packageName, method: "play" });
  const installed = (vms && vms.installed) || [];
  const uninstalled = (vms && vms.uninstalled) || [];
  const instance = installed.length ? installed[0] : uninstalled[0];
  state.client.send("installOrPlayAppforVm", {
    package_name: packageName,
    game_name: gameText(game.name),
    instance: instance ? instance.id : "",
    action: installed.length ? "play" : "install",
    section: SECTION,
    game_play_preference: ["local"],
    vk_stats_info: statsInfo(),
  }, ga);
}

function cloudGame(game) {
  const packageName = gameText(game.packageName);
  state.client.send("openCloudGame", {
    package_name: packageName,
    game_name: gameText(game.name),
    cloud_supported: true,
    cloud_app_url: "https://cloud.example.com/play/" + encodeURIComponent(packageName),
    cloud_type: "android",
    section: SECTION,
    game_play_preference: ["cloud"],
    vk_stats_info: statsInfo(),
  }, ga);
}

// The host's live search wants the matching games back, in the page's order.
function answerRealSearch(query) {
  const wanted = String(query || "").toLowerCase();
  const results = state.games
    .filter((game) => gameText(game.name).toLowerCase().includes(wanted)
                   || gameText(game.packageName).toLowerCase().includes(wanted))
    .map((game) => ({ package_name: gameText(game.packageName), game_name: gameText(game.name),
                      action: "play", section: "search", is_promoted_app: false }));
  state.client.send("pushRealSearchResult", results);
}

// --- mistakes on purpose ----------------------------------------------------------------------

// Commands that do not do what they seem to. The plug-in says nothing about any of them; the
// client in development mode (the launcher's default) refuses the first three before they go, and
// without it (vornik-launcher --no-client-checks) the launcher's protocol check flags each in its
// console's "Page traffic" list and in /control/traffic. The page's type check
// (vornik-protocol.d.ts) flags the first three as well.
function wireMistakes() {
  const mistake = (id, send) => $(id).addEventListener("click", () => {
    try {
      send();
    } catch (error) {
      notice("The client refused it (" + error.code + "): " + error.message);
      log("out", "refused: " + error.message);
    }
  });
  // @ts-expect-error: no such command
  mistake("mistake-event", () => state.client.send("getLangauge"));
  // @ts-expect-error: getVmList reads an object
  mistake("mistake-data", () => state.client.send("getVmList", "com.example.racer", { callbackEvent: "vms#mistake" }));
  // @ts-expect-error: the reply needs a callbackEvent to come under
  mistake("mistake-callback", () => state.client.send("getUserToken"));
  // The second goes out before the first is answered: which reply is which? No type can tell.
  mistake("mistake-twice", () => {
    state.client.send("getLanguage", undefined, { callbackEvent: "twice" });
    state.client.send("getUserConfig", undefined, { callbackEvent: "twice" });
  });
}

// --- the web service -------------------------------------------------------------------------

// Game names are the web service's to translate: the list is asked for again in each language.
async function loadGames() {
  if (location.protocol === "file:") {
    $("games-source").textContent = "(no web service for a local page)";
    return;
  }
  const query = state.language ? "?lang=" + encodeURIComponent(state.language) : "";
  try {
    const reply = await fetch("/api/game/list" + query);
    const body = await reply.json();
    state.games = Array.isArray(body.data) ? body.data : [];
    $("games-source").textContent = "from " + location.host + "/api/game/list";
  } catch (error) {
    state.games = [];
    $("games-source").textContent = "(" + error.message + ")";
  }
  showGames();
}

// --- start -----------------------------------------------------------------------------------

function wireControls() {
  $("clear-log").addEventListener("click", () => $("log").replaceChildren());
  $("login").addEventListener("click", () => state.client.send("callClientToLogin"));
  $("refresh-token").addEventListener("click", () => state.client.send("refreshAccessToken"));
  $("stream-form").addEventListener("submit", (event) => {
    event.preventDefault();
    state.client.send("openStreamGame", { steam_appp_url: /** @type {HTMLInputElement} */ ($("stream-url")).value.trim() }, ga);
  });
  $("store-form").addEventListener("submit", (event) => {
    event.preventDefault();
    state.client.send("onSearchInGooglePlay", { query: /** @type {HTMLInputElement} */ ($("store-query")).value.trim() });
  });
  wireMistakes();
}

function listen(client) {
  client.on("*", (data, message) => log("in", message.event, data));
  client.onSend((command) => typeof command === "string" ? log("out", command)
                                                       : log("out", command.event, command.data));
  client.on("updateLanguage", (data) => { showLanguage(data.language); loadGames(); });
  client.on("updateUserToken", (data) => showUser(data));
  client.on("updateUserConfig", (data) => { $("one-button").textContent = String(data.one_button_config); });
  client.on("updateInstalledAppsNotification", (data) => showApps(data));
  client.on("onPageviewShow", (data) => { $("view-state").textContent = "view: " + data.preview; });
  client.on("switchToVKGame", (data) => {
    notice("The host opened " + data.package + (data.mod_id ? " with mod " + data.mod_id : "")
           + " (from " + data.from + ").");
    showGames(data.package);
  });
  client.on("setupMod", (data) => {
    notice("The host asks to set up the mod " + (data.mod_name || data.mod_id) + " for " + data.package + ".");
    showGames(data.package);
  });
  client.on("clientGotoSearch", (data) => { state.filter = String(data.query || ""); showGames(); });
  client.on("clientRealSearch", (data) => answerRealSearch(data.query));
}

async function start() {
  wireControls();
  const firstGames = loadGames();
  try {
    state.client = await VornikClient.connect();
  } catch (error) {
    setStatus("bad", error.message);
    return;
  }
  setStatus("ok", "connected to webBridge");
  listen(state.client);

  // Pushes sent before this point are lost: ask for the state now.
  try {
    const [token, language, config, apps, client] = await Promise.all([
      state.client.request("getUserToken"), state.client.request("getLanguage"),
      state.client.request("getUserConfig"), state.client.request("getInstalledApps"),
      state.client.request("getClientConfig"),
    ]);
    showUser(token);
    showLanguage(language.language);
    // A host without its settings plug-in answers {}.
    $("one-button").textContent = config.one_button_config === undefined ? "" : String(config.one_button_config);
    $("client-version").textContent = client.x_version || "–";
    showApps(apps);
    await firstGames;
  } catch (error) {
    setStatus("bad", error.message);
    return;
  }
  state.client.send("closeBootAnimation");
  document.documentElement.dataset.ready = "true";
}

start();
