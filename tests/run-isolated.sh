#!/bin/sh
# Runs one test with a private HOME and XDG folders on the offscreen platform.
set -u
tmp=$(mktemp -d "${TMPDIR:-/tmp}/qzm-test.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT INT TERM
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/runtime" "$tmp/config-dirs"
chmod 700 "$tmp/runtime"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/config-dirs" \
       XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" \
       QT_QPA_PLATFORM=offscreen TMPDIR="$tmp"
unset QT_QPA_PLATFORMTHEME DISPLAY WAYLAND_DISPLAY
for n in 1 2 3 4; do unset "QZM_COM$n"; done
"$@"
