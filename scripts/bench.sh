#!/usr/bin/env bash
# Times the launcher under Wine beside an empty program and a batch logon
# script, in a throwaway prefix of its own (see scripts/bench.py).
#
#   scripts/bench.sh [--runs N] [--warmup N] [--arch win64|win32]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 --target kovlaunch morvane stub_installer empty_gui
exec python3 "$root/scripts/bench.py" --build "$root/build/windows" "$@"
