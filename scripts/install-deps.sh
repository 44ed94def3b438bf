#!/usr/bin/env bash
# Installs the Debian packages the build needs; quiet and quick when all are present.
# --coverage: also what scripts/coverage.sh needs (gcovr).
# --browser: also what the browser test needs (Chromium, Node.js, npm).
set -euo pipefail
packages=(cmake ninja-build g++ make nlohmann-json3-dev libgtest-dev libgmock-dev
          libcurl4-openssl-dev libcpp-httplib-dev libcli11-dev
          clang libclang-rt-dev) # clang and its fuzzer runtime: the fuzz harnesses
browser=false
for flag in "$@"; do
    case "$flag" in
    --coverage) packages+=(gcovr) ;;
    --browser) packages+=(chromium) browser=true ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if $browser; then
    # A machine may have Node.js from elsewhere than Debian (npm then comes with it), so only a
    # missing command brings in Debian's package.
    command -v node >/dev/null || missing+=(nodejs)
    command -v npm >/dev/null || missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update -qq </dev/null
    $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
fi
