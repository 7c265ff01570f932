#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (AddressSanitizer + UndefinedBehaviorSanitizer,
# LeakSanitizer on) and runs each for a fixed time on a corpus seeded from the tests and
# examples.   Usage: fuzz/run.sh [seconds-per-target]   (default 600)
# VEP_FUZZ_TARGETS="vcd saif match" runs only those harnesses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=${VEP_FUZZ_BUILD:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEP_FUZZ=ON -DBUILD_TESTING=OFF -DVEP_BUILD_BENCH=OFF >/dev/null
targets=${VEP_FUZZ_TARGETS:-vep netlist vcd saif match}
# shellcheck disable=SC2046
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' $targets)

seed() { # target, then the file patterns and folders its seeds come from
  local corpus=$root/fuzz/corpus-$1 patterns=$2; shift 2
  mkdir -p "$corpus"
  local args=() pattern
  for pattern in $patterns; do args+=(-o -name "$pattern"); done
  find "$@" -type f \( "${args[@]:1}" \) -size -2M -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
  echo "$corpus"
}
seed vep '*.vep *.json *.xml' "$root/tests/data" "$root/examples" >/dev/null
seed netlist '*.vep *.json *.xml' "$root/tests/data" "$root/examples" >/dev/null
seed vcd '*.vcd' "$root/tests/data" "$root/examples" >/dev/null
seed saif '*.saif' "$root/tests/data" "$root/examples" >/dev/null
# The matcher's inputs: a dump, "%%", then the example's net names relative to the design.
match_corpus=$(seed match '*.vcd *.saif' "$root/tests/data" "$root/examples")
names=$(grep -o '"[A-Za-z_][A-Za-z0-9_]*"' "$root/examples/design/netlist.json" | tr -d '"' | sort -u | head -200)
for f in "$match_corpus"/*.vcd "$match_corpus"/*.saif; do
  [ -e "$f" ] && [ ! -e "$f.names" ] && { cat "$f"; printf '\n%%%%\n%s\n' "$names"; } >"$f.names" || true
done

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
status=0
for target in $targets; do
  corpus=$root/fuzz/corpus-$target
  echo "== fuzz_$target for ${seconds}s, corpus $(ls "$corpus" | wc -l) files"
  "$build/bin/fuzz_$target" "$corpus" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=4096 -max_len=1048576 -print_final_stats=1 \
    -artifact_prefix="$root/fuzz/crash-$target-" 2>&1 | tail -n 25 || status=1
done
exit $status
