#!/usr/bin/env bash
# CTest's entry to the browser test: checks that Node.js, npm and Chromium are there (a missing one
# fails the test, saying what to install), installs playwright-core from the lock file when
# node_modules does not hold it yet, and runs the test against the given simhost.
# Usage: run.sh SIMHOST SOURCE_ROOT ARTEFACTS_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
simhost="$1" source_root="$2" artefacts="$3"
chromium="${CHROMIUM:-/usr/bin/chromium}"

missing=()
command -v node >/dev/null || missing+=("node (Debian package nodejs)")
command -v npm >/dev/null || missing+=("npm (Debian package npm)")
[ -x "$chromium" ] || missing+=("$chromium (Debian package chromium)")
if [ ${#missing[@]} -gt 0 ]; then
    echo "browser test cannot run: missing ${missing[*]}; scripts/install-deps.sh installs them" >&2
    exit 1
fi

if [ "$(node -p 'Number(process.versions.node.split(".")[0]) >= 20')" != "true" ]; then
    echo "browser test cannot run: playwright-core needs Node.js 20 or later, this is $(node --version)" >&2
    exit 1
fi

locked="$(node -e 'console.log(require(process.argv[1]).packages["node_modules/playwright-core"].version)' "$here/package-lock.json")"
installed="$(node -e 'try { console.log(require(process.argv[1]).version) } catch (e) { console.log("") }' \
    "$here/node_modules/playwright-core/package.json")"
if [ "$locked" != "$installed" ]; then
    # One install at a time: several build trees may run their tests at once.
    (
        flock 9
        cd "$here"
        PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund --loglevel=error
    ) 9>"$here/.npm-ci.lock"
fi

mkdir -p "$artefacts"
export SIMHOST="$simhost" SOURCE_ROOT="$source_root" ARTEFACTS="$artefacts" CHROMIUM="$chromium"
exec node --test --test-reporter=tap "$here/palette.test.mjs"
