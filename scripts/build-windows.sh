#!/usr/bin/env bash
# Cross-builds for Windows with Debian's mingw-w64 into BUILD_DIR (default build/windows): the
# add-on as a DLL, the platform DLL, simhost.exe and the unit and end-to-end tests, all in
# BUILD_DIR/bin beside the C++ runtime's DLLs. Installs what is missing first (non-interactively).
#   scripts/build-windows.sh [BUILD_DIR]
# The programs run under Wine: BUILD_DIR/wine-run BUILD_DIR/bin/simhost.exe demo
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build/windows}")"
"$root/scripts/install-deps.sh" --windows

# cpp-httplib's Debian header only declares (its code is compiled into a Linux library); the
# header-only form is in Debian's source package of the same version, fetched through apt with a
# source list of its own in the build folder (the system's apt configuration stays as it is).
httplib="$build/deps/httplib"
if [ ! -f "$httplib/httplib.h" ]; then
    version="$(dpkg-query -W -f='${Version}' libcpp-httplib-dev)"
    apt="$build/deps/apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/source" "$httplib"
    . /etc/os-release
    printf 'deb-src http://deb.debian.org/debian %s main\ndeb-src http://deb.debian.org/debian-security %s-security main\n' \
        "$VERSION_CODENAME" "$VERSION_CODENAME" >"$apt/sources.list"
    options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
             -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User="$(id -un)"
             -o Debug::NoLocking=true)
    apt-get "${options[@]}" -qq update </dev/null
    (cd "$apt/source" && apt-get "${options[@]}" -qq source --download-only "cpp-httplib=$version" </dev/null >/dev/null)
    tar -xf "$apt/source"/cpp-httplib_*.orig.tar.* -C "$apt/source"
    tar -xf "$apt/source"/cpp-httplib_*.debian.tar.* -C "$apt/source"
    upstream="$(find "$apt/source" -mindepth 2 -maxdepth 2 -name httplib.h | head -n1)"
    # Debian's fixes to the header, as its package applies them.
    if [ -f "$apt/source/debian/patches/series" ]; then
        while read -r patch; do
            [ -n "$patch" ] && [ "${patch#\#}" = "$patch" ] &&
                patch -s -d "$(dirname "$upstream")" -p1 <"$apt/source/debian/patches/$patch"
        done <"$apt/source/debian/patches/series"
    fi
    cp "$upstream" "$httplib/httplib.h"
    rm -rf "$apt"
fi

"$root/scripts/configure.sh" "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_BUILD_BENCH=OFF -DQUORVEL_HTTPLIB_DIR="$httplib" "${@:2}"
if ! cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    exit 1
fi
grep -E 'warning:' "$build/build.log" || true
