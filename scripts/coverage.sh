#!/usr/bin/env bash
# Line coverage of the add-on's code (src/) by the whole test suite: a gcc --coverage build into
# build/coverage (COVERAGE_BUILD_DIR overrides), every CTest test run, then a per-file report and
# the total, by gcovr (installed by install-deps.sh --coverage). The per-file HTML report goes to
# build/coverage/coverage.html.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --coverage
build="${COVERAGE_BUILD_DIR:-$root/build/coverage}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" -DCMAKE_MODULE_LINKER_FLAGS="--coverage" >/dev/null
if ! cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    exit 1
fi
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --parallel "$(nproc)" --timeout 300 >"$build/ctest.log" 2>&1) ||
    echo "coverage: some tests failed (see $build/ctest.log); the figures still count what ran"
# From the build folder, where gcov writes its files; only the add-on's objects are searched.
cd "$build"
gcovr --root "$root" --filter "$root/src/" --sort-percentage --html-details "$build/coverage.html" \
    --txt "$build/coverage.txt" src
cat "$build/coverage.txt"
