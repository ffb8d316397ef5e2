#!/usr/bin/env bash
# fuzz/run.sh [SECONDS]: builds the libFuzzer target with clang (ASan, UBSan)
# and runs it on the committed seed corpus for SECONDS (default 30). New
# inputs it finds go to build/fuzz/corpus, never into the committed seeds;
# an input that fails is written to build/fuzz as crash-<hash>.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
seconds=${1:-30}
out=$ROOT/build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$ROOT/src" -I"$ROOT/tests" \
  "$ROOT/tests/fuzz/ActionFuzz.cpp" "$ROOT"/src/app/CommandLine.cpp "$ROOT"/src/app/SelectAction.cpp \
  "$ROOT"/src/power/VersionInfo.cpp "$ROOT"/src/power/Errors.cpp "$ROOT"/src/power/Privilege.cpp \
  "$ROOT"/src/power/ShutdownRequest.cpp -o "$out/action_fuzz"
"$out/action_fuzz" -max_total_time="$seconds" -max_len=65540 -print_final_stats=1 -artifact_prefix="$out/" \
  "$out/corpus" "$ROOT/tests/fuzz/corpus" 2>&1 | tee "$out/fuzz.log" | grep -E '^#[0-9]+ +DONE|ERROR|SUMMARY|stat::number_of_executed_units' || true
grep -q 'ERROR' "$out/fuzz.log" && exit 1
runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$out/fuzz.log")
echo "fuzz: $runs executions in $seconds s, no failure"
