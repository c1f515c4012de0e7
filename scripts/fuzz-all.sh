#!/usr/bin/env bash
# A fuzzing campaign: builds every libFuzzer target (optimised, sanitizers on) and runs each for
# SECONDS, starting from and adding to its corpus in fuzz/corpus/<target>/, kept small by merging
# it with what the run found (-merge=1). Prints executions, coverage and findings per target;
# what a finding ran on is kept under build/fuzz/findings/<target>/.
#   scripts/fuzz-all.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz-all.sh SECONDS [TARGET...]}
shift

all_targets() {
  sed -n 's/^myr_fuzz_target(\([a-z0-9_]*\) .*/\1/p' fuzz/CMakeLists.txt
  sed -n 's/^foreach(disc_target \(.*\))$/\1/p' fuzz/CMakeLists.txt | tr ' ' '\n'
}
if (($#)); then targets=("$@"); else mapfile -t targets < <(all_targets); fi

# What each target is run with beyond its corpus.
options_for() {
  case "$1" in
    card_fuzz) echo "-max_len=512" ;;
    iso_walk_fuzz | root_lookup_fuzz) echo "-max_len=200000" ;;
    manifest_fuzz) echo "-dict=fuzz/manifest.dict" ;;
    sidecar_fuzz) echo "-dict=fuzz/sidecar.dict" ;;
    ini_fuzz | settings_request_fuzz) echo "-dict=fuzz/ini.dict" ;;
    binding_fuzz) echo "-dict=fuzz/binding.dict" ;;
    tim2_fuzz | game_art_fuzz) echo "-dict=fuzz/tim2.dict -max_len=65536" ;;
    *) echo "-max_len=4096" ;;
  esac
}

cmake --preset fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}" >/dev/null
# Seeds the repository does not hold yet: the disc images of the tests, the manifests sha256sum
# writes, the pictures of the art tests.
if [ ! -d fuzz/corpus/iso_walk_fuzz ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target disc_fuzz_seeds >/dev/null
  seeds=$(mktemp -d)
  build/native/tests/disc/disc_fuzz_seeds "$seeds"
  for kind in iso_walk root_lookup system_cnf; do
    mkdir -p "fuzz/corpus/${kind}_fuzz" && cp "$seeds/$kind"/* "fuzz/corpus/${kind}_fuzz/"
  done
  rm -rf "$seeds"
fi
[ -d fuzz/corpus/manifest_fuzz ] || bash fuzz/manifest_seeds.sh fuzz/corpus/manifest_fuzz
for target in tim2_fuzz game_art_fuzz; do
  [ -d "fuzz/corpus/$target" ] || python3 tests/art/tim2_fixtures.py "fuzz/corpus/$target"
done

printf '%-22s %12s %8s %8s %9s\n' target executions coverage features findings
status=0
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  found=$(mktemp -d)
  log=$(mktemp)
  mkdir -p "$corpus" "$findings"
  # shellcheck disable=SC2046 # the options are words
  build/fuzz/fuzz/"$target" $(options_for "$target") -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/" "$found" "$corpus" >"$log" 2>&1 || true
  merged=$(mktemp -d)
  build/fuzz/fuzz/"$target" $(options_for "$target") -merge=1 "$merged" "$corpus" "$found" >/dev/null 2>&1 || true
  if [ -n "$(ls -A "$merged")" ]; then
    rm -rf "$corpus" && mv "$merged" "$corpus"
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  count=$(find "$findings" -type f | wc -l)
  ((count == 0)) || status=1
  printf '%-22s %12s %8s %8s %9s\n' "$target" "${executions:-?}" "${coverage:-?}" "${features:-?}" "$count"
  rm -rf "$found" "$log" "$merged"
done
exit $status
