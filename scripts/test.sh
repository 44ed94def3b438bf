#!/usr/bin/env bash
# The README's test command: install what is missing, build with AddressSanitizer and
# UndefinedBehaviorSanitizer, build the clang fuzz harnesses (scripts/fuzz.sh), run every test
# through CTest, a few seconds of each harness among them. CTest's summary is the last output.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --browser
build="${BUILD_DIR:-$root/build/sanitize}"
fuzz="${FUZZ_BUILD_DIR:-$root/build/fuzz}"
FUZZ_BUILD_DIR="$fuzz" FUZZ_BUILD_TYPE=Debug "$root/scripts/fuzz.sh" build
"$root/scripts/configure.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_FUZZ_DIR="$fuzz"
if ! cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    exit 1
fi
grep -E 'warning:' "$build/build.log" || true
cd "$build"
exec ctest --output-on-failure --parallel "$(nproc)" --timeout 300
