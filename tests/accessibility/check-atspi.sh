#!/bin/sh
# Starts qzm on a private X server and D-Bus session, with the accessibility
# bus, and reads its widgets as a screen reader does (check-atspi.py).
# Usage: check-atspi.sh QZM QZM-CLI EXAMPLE.qzm
set -eu
here=$(dirname "$0")
python=/usr/bin/python3 # the system's, which has pyatspi
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool (scripts/install-deps)"; exit 1; }
done
"$python" -c 'import pyatspi' || { echo "missing: python3-pyatspi (scripts/install-deps)"; exit 1; }

# A document whose drop-downs all differ from a new one's.
work=$(mktemp -d)
cp "$3" "$work/settings.qzm"
"$2" set "$work/settings.qzm" protocol=MODBUS-RTU baud_rate=9600 parity=NONE

# Xvfb picks a free display and names it once it accepts clients
# (xvfb-run cannot tell when a test runner ignores SIGUSR1). Without
# -noreset it resets whenever its last client leaves (pyatspi connects and
# leaves before anyone else comes), and refuses qzm if it arrives just then.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT INT TERM
while ! grep -q . "$work/display"; do
  kill -0 $xvfb 2>/dev/null || { cat "$work/xvfb.log"; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QZM_NEW_WINDOW=1
dbus-run-session -- "$python" "$here/check-atspi.py" "$1" "$work/settings.qzm"
