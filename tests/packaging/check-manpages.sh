#!/bin/sh
# Renders every manual page as man(1) would and fails on a groff warning or a
# control character left in the text (a form feed where \f was meant...).
set -u
status=0
for page in "$@"; do
  out=$(mktemp) err=$(mktemp)
  # -P-cbou: plain text, no overstrike or escape sequences of grotty's own.
  groff -man -Tutf8 -ww -P-cbou "$page" >"$out" 2>"$err"
  if [ -s "$err" ]; then
    echo "$page: groff warns:"; cat "$err"; status=1
  fi
  if LC_ALL=C grep -nP '[\x00-\x08\x0b-\x1f\x7f]' "$out" >"$err"; then
    echo "$page: control characters in the rendered text:"; cat -A "$err"; status=1
  fi
  if [ "$(wc -l <"$out")" -lt 20 ]; then
    echo "$page: rendered to almost nothing"; status=1
  fi
  if command -v man >/dev/null 2>&1; then
    MANWIDTH=80 MAN_KEEP_FORMATTING= man -l "$page" 2>"$err" | LC_ALL=C grep -nP '[\x00-\x07\x0b-\x1f\x7f]' >"$out"
    if [ -s "$out" ] || [ -s "$err" ]; then
      echo "$page: man shows:"; cat -A "$out" "$err"; status=1
    fi
  fi
  rm -f "$out" "$err"
done
exit $status
