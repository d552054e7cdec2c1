#!/usr/bin/env bash
# The launcher's main job, end to end: cross-builds it, then runs it under
# Wine in a throwaway prefix beside stub installers and shows what it started.
# Pass --arch win32 for a 32-bit Windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh"
echo "== cross-building the launcher with mingw-w64"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target kovlaunch kovlaunch_dryrun morvane stub_installer >/dev/null
python3 "$root/scripts/demo.py" --build "$root/build/windows" "$@"
