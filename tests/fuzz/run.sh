#!/usr/bin/env bash
# fuzz/run.sh [SECONDS]: builds the libFuzzer target with clang (ASan, UBSan)
# and runs it on the committed seed corpus for SECONDS (default 30). New
# inputs it finds go to build/fuzz/corpus, never into the committed seeds; an
# input that fails is written to build/fuzz as crash-<hash>.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root/src" -I"$root/tests" \
  "$root/tests/fuzz/ActionFuzz.cpp" "$root"/src/app/{CommandLine,SelectAction}.cpp \
  "$root"/src/power/{VersionInfo,Errors,Privilege,ShutdownRequest}.cpp -o "$out/action_fuzz"
"$out/action_fuzz" -max_total_time="${1:-30}" -max_len=65540 -print_final_stats=1 -artifact_prefix="$out/" \
  "$out/corpus" "$root/tests/fuzz/corpus" >"$out/fuzz.log" 2>&1 || { grep -E '^==.*ERROR|^SUMMARY' "$out/fuzz.log"; exit 1; }
echo "fuzz: $(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$out/fuzz.log") executions in ${1:-30} s, no failure"
