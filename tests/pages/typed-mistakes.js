// Mistakes a page can make with the page protocol, one to a line, each named by the comment that
// ends its line: the type check of the page must report every one (tst_launcherapi holds which
// error). Never loaded.
"use strict";

/** @param {VornikClient} client */
async function mistakes(client) {
  client.send("getLangauge"); // misspelt command
  await client.request("getVmList", "com.example.racer"); // data of the wrong JSON type
  client.send("changeBannerBackgroundImage", { url: "u", direction: "left" }); // key of the wrong type
  await client.request("closeBootAnimation"); // request of a command that does not reply
  client.send("getUserToken"); // reply sent nowhere
  const token = await client.request("getUserToken");
  console.log(token.userId); // misspelt key of a reply
  client.on("onPageviewShow", (data) => data.preview === "hidden"); // pushed value that never comes
}
