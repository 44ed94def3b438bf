#!/usr/bin/env bash
# Installs the Debian packages the build needs; quiet and quick when all are present.
# --coverage: also what scripts/coverage.sh needs (gcovr).
# --browser: also what the browser test needs (Chromium, Node.js, npm).
# --windows: also what the Windows cross-build and its tests need (mingw-w64, Wine, GoogleTest's
# sources).
set -euo pipefail
packages=(cmake ninja-build g++ make nlohmann-json3-dev libgtest-dev libgmock-dev
          libcurl4-openssl-dev libcpp-httplib-dev libcli11-dev
          clang libclang-rt-dev) # clang and its fuzzer runtime: the fuzz harnesses
browser=false
windows=false
for flag in "$@"; do
    case "$flag" in
    --coverage) packages+=(gcovr) ;;
    --browser) packages+=(chromium) browser=true ;;
    # wine64 runs the programs; wine puts its loader on PATH; lld links them (cmake/mingw-lld-link).
    --windows) packages+=(g++-mingw-w64-x86-64-posix lld wine64 wine googletest locales) windows=true ;;
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
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update -qq </dev/null
    $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
fi
if $windows; then
    # Wine takes a program's ANSI code page from LC_ALL (de_DE 1252, ru_RU 1251, ja_JP 932), and it
    # names files in the locale's own character set: a locale that is not installed is ASCII to
    # it, where no file name outside ASCII can be made.
    for locale in de_DE ru_RU ja_JP; do
        if ! locale -a 2>/dev/null | grep -qx "$locale.utf8"; then
            $sudo_cmd localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
        fi
    done
fi
