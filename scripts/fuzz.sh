#!/usr/bin/env bash
# The libFuzzer harnesses of tests/fuzz, built with clang, AddressSanitizer and UBSan into
# build/fuzz (FUZZ_BUILD_DIR overrides).
#
#   scripts/fuzz.sh build [CMAKE_ARGS...]      configure and build every harness
#   scripts/fuzz.sh run HARNESS [SECONDS]      fuzz one harness (default 600 s); new inputs are
#                                              kept in build/fuzz/corpus/HARNESS, crashes in
#                                              build/fuzz/artifacts/
#   scripts/fuzz.sh list                       the harness names
#
# Extra libFuzzer options can follow SECONDS (e.g. -jobs=2 -workers=2). The build is
# RelWithDebInfo, for fuzzing speed; CMAKE_ARGS override it (the test command's few seconds of each
# harness take Debug, which compiles in half the time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${FUZZ_BUILD_DIR:-$root/build/fuzz}")"
harnesses() {
    for f in "$root"/tests/fuzz/*Fuzz.cpp; do basename "$f" .cpp; done
}
case "${1:-}" in
build)
    shift
    CC=clang CXX=clang++ "$root/scripts/configure.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON \
        -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF "$@"
    if ! cmake --build "$build" --target fuzz_harnesses --parallel "$(nproc)" >"$build/build.log" 2>&1; then
        cat "$build/build.log"
        exit 1
    fi
    grep -E 'warning:' "$build/build.log" || true
    ;;
run)
    name="${2:?harness name}"
    seconds="${3:-600}"
    shift $(($# < 3 ? $# : 3))
    mkdir -p "$build/corpus/$name" "$build/artifacts"
    exec "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" "$@" \
        "$build/corpus/$name" "$root/tests/fuzz/corpus/$name"
    ;;
list)
    harnesses
    ;;
*)
    sed -n '2,14s/^# \{0,1\}//p' "$0"
    exit 2
    ;;
esac
