// @ts-check
// A page held to the page protocol by its declarations (tsconfig.json beside it): it connects,
// asks for the state it shows, and follows the host's pushes. In the launcher:
//   build/bin/vornik-launcher --url "file://$PWD/docs/typed-page/typed-page.html"
"use strict";

/** @typedef {import("../../host/www/vornik-protocol").VornikReplyData<"getUserToken">} UserToken */

/** @param {string} id @param {string} text */
function show(id, text) {
  const element = document.getElementById(id);
  if (element)
    element.textContent = text;
}

/** @param {UserToken} token */
function showUser(token) {
  // A signed-out user comes as {}: every key of the token, or none.
  show("user", token.email === undefined ? "signed out" : token.email);
}

/** @param {import("../../host/www/vornik-protocol").VornikReplyData<"getInstalledApps">} installed */
function showApps(installed) {
  const list = document.getElementById("apps");
  if (!list)
    return;
  list.replaceChildren(...installed.apps.map((app) => {
    const item = document.createElement("li");
    item.textContent = app.package_name;
    return item;
  }));
}

async function start() {
  const client = await VornikClient.connect();
  client.on("updateUserToken", showUser);
  client.on("updateLanguage", (data) => show("language", data.language));
  client.on("updateInstalledAppsNotification", showApps);
  client.on("onPageviewShow", (data) => show("view", data.preview === "show" ? "in front" : "behind"));

  // What was pushed before the page connected is lost: ask for it.
  const [token, language, installed] = await Promise.all([
    client.request("getUserToken"),
    client.request("getLanguage"),
    client.request("getInstalledApps"),
  ]);
  showUser(token);
  show("language", language.language);
  showApps(installed);
  client.send("closeBootAnimation");
  document.documentElement.dataset.ready = "true";
}

start();
