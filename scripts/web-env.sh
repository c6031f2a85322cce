# Sourced by the run scripts: what the web engine needs on a headless machine.
# As root the engine's sandbox cannot start; GPU probing only slows a virtual display down.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
# Without a display, run under a virtual one.
with_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1280x800x24" "$@"
  fi
}
