#!/usr/bin/env bash
# Builds everything and runs every test: the host unit tests (plain and under
# AddressSanitizer and UndefinedBehaviorSanitizer), a short run of each fuzz
# target (scripts/fuzz.sh --smoke), then the Windows build and
# its tests under Wine, in two prefixes made for this run (64-bit and 32-bit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

"$root/scripts/install-deps.sh"

for preset in host host-sanitize; do
  echo "== $preset: build and unit tests"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" --progress
done

echo "== fuzz: a short run of each libFuzzer target"
"$root/scripts/fuzz.sh" --smoke

echo "== windows: cross-build with mingw-w64"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

prefixes="$root/build/windows/wine-test"
prefix64="$prefixes/win64"
prefix32="$prefixes/win32"
deploy="$root/scripts/wine_deploy.py"
stop_servers() {
  python3 "$deploy" stop-server "$prefix64" || true
  python3 "$deploy" stop-server "$prefix32" || true
}
trap stop_servers EXIT

echo "== windows: fresh Wine prefixes for this run in $prefixes"
python3 "$deploy" make-prefix "$prefix64" win64 &
make64=$!
python3 "$deploy" make-prefix "$prefix32" win32 &
make32=$!
wait "$make64"
wait "$make32"
# A running wineserver per prefix spares each test Wine's start-up.
python3 "$deploy" start-server "$prefix64"
python3 "$deploy" start-server "$prefix32"

echo "== windows: tests under Wine"
export KOVLAUNCH_TEST_WINEPREFIX="$prefix64" KOVLAUNCH_TEST_WINEPREFIX32="$prefix32"
ctest --preset windows
