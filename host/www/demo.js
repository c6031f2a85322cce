"use strict";
// The demo page: a plain page that talks to the plug-in the way the real web application does.

const $ = (id) => document.getElementById(id);
let client = null;

function log(direction, text) {
  const item = document.createElement("li");
  item.className = direction;
  item.textContent = (direction === "out" ? "→ " : "← ") + text;
  $("log").appendChild(item);
  $("log").scrollTop = $("log").scrollHeight;
}

function setStatus(kind, text) {
  $("status").className = "chip " + kind;
  $("status").textContent = text;
}

function showUser(token) {
  $("user-email").textContent = (token && token.email) || "signed out";
  $("user-id").textContent = (token && token.userid) || "–";
}

function fillList(list, items, render) {
  list.replaceChildren();
  if (!items.length) {
    const empty = document.createElement("li");
    empty.className = "empty";
    empty.textContent = "none";
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

function playGame(game) {
  const data = { package_name: game.packageName, game_name: game.name, shareId: "" };
  client.send("installOrPlayAppforVm", data);
  log("out", "installOrPlayAppforVm " + game.packageName);
}

function cloudGame(game) {
  const data = { package_name: game.packageName, game_name: game.name, cloud_supported: true,
                 cloud_app_url: "https://cloud.example/" + game.packageName };
  client.send("openCloudGame", data);
  log("out", "openCloudGame " + game.packageName);
}

function showGames(games, source) {
  $("games-source").textContent = source;
  fillList($("games"), games, (game) => {
    const item = document.createElement("li");
    const name = document.createElement("span");
    name.className = "name";
    name.innerHTML = "";
    name.append(String(game.name || "(no name)"), " ");
    const pkg = document.createElement("span");
    pkg.className = "package";
    pkg.textContent = String(game.packageName || "");
    name.appendChild(pkg);
    item.append(name, button("Play", () => playGame(game)), button("Cloud", () => cloudGame(game), true));
    return item;
  });
}

async function loadGames() {
  if (location.protocol === "file:") {
    showGames([], "(no web service for a local page)");
    return;
  }
  try {
    const reply = await fetch("/api/game/list");
    const body = await reply.json();
    showGames(Array.isArray(body.data) ? body.data : [], "from " + location.host);
  } catch (error) {
    showGames([], "(" + error.message + ")");
  }
}

function showApps(data) {
  const apps = (data && Array.isArray(data.apps)) ? data.apps : [];
  fillList($("apps"), apps, (app) => {
    const item = document.createElement("li");
    const name = document.createElement("span");
    name.className = "name";
    name.textContent = app.package_name;
    item.appendChild(name);
    return item;
  });
}

async function start() {
  $("clear-log").addEventListener("click", () => $("log").replaceChildren());
  loadGames();
  try {
    client = await VornikClient.connect();
  } catch (error) {
    setStatus("bad", error.message);
    return;
  }
  setStatus("ok", "connected to webBridge");
  client.on("*", (data, message) => log("in", message.event + " " + JSON.stringify(data)));
  client.on("updateLanguage", (data) => { $("language").textContent = data.language; });
  client.on("updateUserToken", (data) => showUser(data));
  client.on("updateUserConfig", (data) => { $("one-button").textContent = data.one_button_config; });
  client.on("updateInstalledAppsNotification", (data) => showApps(data));
  $("login").addEventListener("click", () => { client.send("callClientToLogin"); log("out", "callClientToLogin"); });

  // Pushes sent before this point are lost: ask for the state now.
  const [token, language, config, apps] = await Promise.all([
    client.request("getUserToken"), client.request("getLanguage"),
    client.request("getUserConfig"), client.request("getInstalledApps"),
  ]);
  showUser(token);
  $("language").textContent = language.language;
  $("one-button").textContent = config.one_button_config;
  showApps(apps);
  client.send("closeBootAnimation");
  document.documentElement.dataset.ready = "true";
}

start();
