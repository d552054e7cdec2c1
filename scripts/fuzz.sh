#!/usr/bin/env bash
# Builds the libFuzzer targets in tests/fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, against the host stand-in) and runs each one.
#
#   scripts/fuzz.sh                 each target for 300 seconds (FUZZ_SECONDS)
#   scripts/fuzz.sh --smoke         each target for 20000 runs (scripts/test.sh)
#   scripts/fuzz.sh TARGET...       only these targets (file names without
#                                   _fuzz.cpp), with either of the above
#
# The corpus each target grows is kept in build/fuzz/corpus/TARGET and reused
# by the next run; a failing input is written to build/fuzz/crashes/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

limit=(-max_total_time="${FUZZ_SECONDS:-300}")
targets=()
for arg in "$@"; do
  case "$arg" in
    --smoke) limit=(-runs="${FUZZ_RUNS:-20000}") ;;
    *) targets+=("$arg") ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name%_fuzz}")
  done
fi

cxx=clang++-14
if ! command -v "$cxx" >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q 'install ok installed'; then
  "$root/scripts/install-deps.sh"
fi

out="$root/build/fuzz"
mkdir -p "$out/obj" "$out/crashes"
sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
flags=(-std=c++17 -g -O1 -fshort-wchar -Wall -Wextra -Werror -Wshadow -Wconversion
       -Wno-sign-conversion -I"$root/win32_standin/include" -I"$root/win32_standin"
       -I"$root" -I"$root/tests/fuzz")

# The product code and the stand-in, instrumented for coverage, built once.
objects=()
for source in osinfo/*.cpp launcher/*.cpp win32_standin/*.cpp; do
  case "$source" in *_nocrt.cpp) continue ;; esac  # the Windows launcher's own
  object="$out/obj/$(echo "$source" | tr / _).o"
  if [ ! -f "$object" ] || [ -n "$(find "$source" osinfo/*.h launcher/*.h win32_standin -newer "$object" -print -quit)" ]; then
    "$cxx" "${flags[@]}" "${sanitize[@]}" -fsanitize=fuzzer-no-link -c "$source" -o "$object"
  fi
  objects+=("$object")
done

status=0
summary=()
for target in "${targets[@]}"; do
  source="tests/fuzz/${target}_fuzz.cpp"
  binary="$out/$target"
  "$cxx" "${flags[@]}" "${sanitize[@]}" -fsanitize=fuzzer "$source" "${objects[@]}" -o "$binary"
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  log="$out/$target.log"
  echo "== fuzz $target (${limit[*]})"
  if "$binary" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$out/crashes/$target-" \
       "$corpus" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$(printf '%-22s %-6s %12s executions' "$target" "$result" "${runs:-?}")")
done
echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$status"
