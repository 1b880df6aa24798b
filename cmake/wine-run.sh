#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, quietly.
# The prefix lives outside the source tree and is made once (scripts/wine-prefix).
#
# Wine starts its system services on demand, and they inherit the standard output of the
# program that caused it; a test runner reading that output through a pipe would then wait
# for the services to end. So the program's output goes through a file instead.
set -u
export WINEPREFIX="${TRELVAX_WINEPREFIX:-${HOME:-/tmp}/.cache/trelvax/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
here="$(cd "$(dirname "$0")" && pwd)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/../scripts/wine-prefix" >/dev/null
fi
if [ -t 1 ]; then
  exec wine "$@"
fi
out="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
