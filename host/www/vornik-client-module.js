// vornik-client.js as an ES module: import { VornikClient } from "./vornik-client-module.js".
// The client stays one classic script, which a module can run for its effect but not import
// names from: it sets its globals, read back here. The table comes first, so that the client
// finds it without looking for the file beside itself, which a module cannot tell it.
import "./vornik-protocol.js";
import "./vornik-client.js";

/** @type {typeof globalThis.VornikClient} */
export const VornikClient = globalThis.VornikClient;
export default VornikClient;
