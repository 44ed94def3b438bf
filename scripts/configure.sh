#!/usr/bin/env bash
# Configures a build folder with Ninja, which schedules a whole build at once (a target's files
# compile while the libraries it links are still being built):
#   scripts/configure.sh BUILD_DIR [CMAKE_ARGS...]
# A folder configured before with another generator, or (without a toolchain file) with another
# compiler than CXX names, is configured anew. Quiet unless it fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
shift
cache="$build/CMakeCache.txt"
if [ -f "$cache" ]; then
    anew=false
    grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache" || anew=true
    if [ -n "${CXX:-}" ] && ! grep -q '^CMAKE_TOOLCHAIN_FILE:' "$cache" &&
        [ "$(command -v "$CXX" || echo "$CXX")" != "$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$cache")" ]; then
        anew=true
    fi
    if $anew; then
        rm -rf "$cache" "$build/CMakeFiles"
    fi
fi
mkdir -p "$build"
if ! cmake -S "$root" -B "$build" -G Ninja "$@" >"$build/configure.log" 2>&1; then
    cat "$build/configure.log"
    exit 1
fi
