#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (AddressSanitizer + UndefinedBehaviorSanitizer,
# LeakSanitizer on) and runs each for a fixed time on a corpus seeded from the tests and
# examples.   Usage: fuzz/run.sh [seconds-per-target]   (default 600)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=${VEP_FUZZ_BUILD:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEP_FUZZ=ON -DBUILD_TESTING=OFF -DVEP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_vep fuzz_netlist

seed() { # target, then the folders and patterns its seeds come from
  local corpus=$root/fuzz/corpus-$1; shift
  mkdir -p "$corpus"
  find "$@" -type f \( -name '*.vep' -o -name '*.json' -o -name '*.xml' \) -size -2M \
    -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
  echo "$corpus"
}
vep_corpus=$(seed vep "$root/tests/data" "$root/examples")
net_corpus=$(seed netlist "$root/tests/data" "$root/examples")

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
status=0
for target in vep netlist; do
  corpus=$vep_corpus; [ "$target" = netlist ] && corpus=$net_corpus
  echo "== fuzz_$target for ${seconds}s, corpus $(ls "$corpus" | wc -l) files"
  "$build/bin/fuzz_$target" "$corpus" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=4096 -max_len=1048576 -print_final_stats=1 \
    -artifact_prefix="$root/fuzz/crash-$target-" 2>&1 | tail -n 25 || status=1
done
exit $status
