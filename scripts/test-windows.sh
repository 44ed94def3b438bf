#!/usr/bin/env bash
# The test command's Windows leg: the cross-build (scripts/build-windows.sh) into BUILD_DIR
# (default build/windows), then every Windows test through CTest under Wine, in a Wine prefix of
# the build folder, with Wine's ANSI code page 932 (LC_ALL=ja_JP.UTF-8) so that text converted
# through the code page shows. CTest's summary is the last output.
#   scripts/test-windows.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-${WINDOWS_BUILD_DIR:-$root/build/windows}}")"
"$root/scripts/build-windows.sh" "$build"

export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8 QUORVEL_EXPECTED_CODE=932
# Wine's server and services start before CTest, their output detached: started from inside
# CTest they would hold its output pipes open, and CTest would wait for them for minutes.
# A server an earlier run or a hand-started program left in this prefix would refuse a second.
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
wineboot --init </dev/null >/dev/null 2>&1
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
