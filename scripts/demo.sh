#!/usr/bin/env bash
# The README's first command: install what is missing, build, and run `simhost demo` on its
# embedded defaults (the bundled catalogue, the sample project, the local file service).
# Arguments are passed to `simhost demo` (for example --json).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build/release}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=OFF >/dev/null
if ! cmake --build "$build" --parallel "$(nproc)" --target simhost Quorvel >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    exit 1
fi
exec "$build/simhost/simhost" demo "$@"
