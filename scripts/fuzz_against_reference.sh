#!/usr/bin/env bash
# Fuzzes this tree's desk file conversion against an earlier commit's: both are compiled into
# one fuzz target (the earlier one with its namespace renamed) that traps when they leave
# different bytes for the same input. Needs clang (scripts/setup.sh installs it).
# Usage: scripts/fuzz_against_reference.sh REV [SECONDS]
set -euo pipefail
rev=${1:?usage: $0 REV [SECONDS]}
seconds=${2:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/reference" "$work/current" "$work/corpus"
git -C "$root" archive "$rev" src tests/support tests/fuzz | tar -x -C "$work/reference"
cp -r "$root/src" "$root/tests" "$work/current"

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -w)
side="$root/tests/fuzz/reference/conversion_side.cpp"
jobs=()
for tree in current reference; do
  define=()
  if [[ $tree == reference ]]; then define=(-Dtrqx=trqx_reference); fi
  for source in "$work/$tree"/src/foundation/*.cpp "$work/$tree"/src/upload/*.cpp \
      "$work/$tree"/tests/support/{fields,local_time,scratch_folder}.cpp "$side"; do
    object="$work/$tree-$(basename "$source" .cpp).o"
    jobs+=("clang++ ${flags[*]} ${define[*]} -I$work/$tree/src -I$work/$tree/tests -c $source -o $object")
  done
done
printf '%s\n' "${jobs[@]}" | xargs -P2 -I{} sh -c '{}'
clang++ "${flags[@]}" -fsanitize=fuzzer "$work"/*.o \
  "$root/tests/fuzz/reference/conversion_against_reference.cpp" -o "$work/fuzz"

# Seeds: the golden desk files behind each kind of mapping choice.
for choice in '\x01\x01\x00\x01\x01' '\x00\x01\x00\x01\x01' '\x25\x00\x07\x02\x03'; do
  for desk in "$root"/tests/data/upload/orders.csv "$root"/tests/data/upload/fixed.dat; do
    { printf "$choice"; cat "$desk"; } >"$work/corpus/$(basename "$desk")-${#choice}-$RANDOM"
  done
done
"$work/fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 "$work/corpus"
