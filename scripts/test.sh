#!/usr/bin/env bash
# The README's test command, in two legs. Linux: install what is missing, build with
# AddressSanitizer and UndefinedBehaviorSanitizer, build the fuzz harnesses (scripts/fuzz.sh), run
# every test through CTest, a few seconds of each harness among them. Both builds are clang's: under
# the sanitizers it compiles this code in three fifths of GCC's time, and GCC compiles the same code
# in the Windows leg.
# Windows (scripts/test-windows.sh): the mingw-w64 cross-build and its tests under Wine. A leg that
# fails ends the command, so the last output is always the CTest summary of the leg that decided.
#   scripts/test.sh [--linux-only]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
windows=true
[ "${1:-}" = --linux-only ] && windows=false
"$root/scripts/install-deps.sh" --browser
build="${BUILD_DIR:-$root/build/sanitize}"
fuzz="${FUZZ_BUILD_DIR:-$root/build/fuzz}"
# Whole folders compile as one unit here: the fewest compiles of what every file shares. A
# developer's build keeps batches of 8, which rebuild quicker after a change to one file.
unity=-DQUORVEL_UNITY_BATCH=32
FUZZ_BUILD_DIR="$fuzz" "$root/scripts/fuzz.sh" build -DCMAKE_BUILD_TYPE=Debug "$unity"
# The benchmarks are left out: no test runs them, and a tenth of this build went to them (a
# developer's build, ./scripts/configure.sh with its defaults, builds them).
CC=clang CXX=clang++ "$root/scripts/configure.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_FUZZ_DIR="$fuzz" "$unity" \
    -DQUORVEL_BUILD_BENCH=OFF
if ! cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    exit 1
fi
grep -E 'warning:' "$build/build.log" || true
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)
if $windows; then
    exec "$root/scripts/test-windows.sh"
fi
