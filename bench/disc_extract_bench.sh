#!/usr/bin/env bash
# The game-file extraction of a disc of more than 1 GiB (page-cached) under Wine, against xorriso
# extracting the same eleven files followed by sha1sum, cp of the same bytes (also with sync,
# since the extraction flushes every file), and SHA-1 alone: ours natively against
# openssl speed -evp sha1. Best of three runs each.
# Needs: the Windows build (disc_extract_child) and the bench preset (disc_sha1_bench).
# Usage: bench/disc_extract_bench.sh [work folder, default build/disc-bench]
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(realpath -m "${1:-build/disc-bench}")
child=build/win/tests/disc/disc_extract_child.exe
sha_bench=build/bench/bench/disc_sha1_bench
names=(SYSTEM.CNF SYSPATCH.IMG MODPAK.BIN MDA.IRX MDB.IRX MDC.IRX OV_MAIN_ONE_US.OVL OV_MAIN_TWO_US.OVL
       OV_MAIN_THREE_US.OVL OV_MAIN_FOUR_US.OVL QXUS_404.04)
mkdir -p "$work"
image=$work/big.iso
if [ ! -f "$image" ]; then
  # All eleven files in the root, so that xorriso extracts the very files the launcher copies.
  python3 tools/demo_disc/make_demo_disc.py --scale 500 --flat --digests "$work/big.sha1" "$image"
fi
cat "$image" >/dev/null

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

source scripts/wine-session.sh
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
extraction=()
for _ in 1 2 3; do
  rm -rf "$work/launcher"
  wine "$child" "$(windows_path "$image")" "$(windows_path "$work/launcher")" "$(windows_path "$work/big.sha1")" \
    >"$work/child.log" 2>&1
  extraction+=("$(awk '/^extracted in/ {print $3}' "$work/child.log")")
done

pipeline=()
for _ in 1 2 3; do
  rm -rf "$work/xorriso"
  start=$(now)
  xorriso -osirrox on -indev "$image" -extract / "$work/xorriso" >/dev/null 2>&1
  (cd "$work/xorriso" && sha1sum "${names[@]}" >"$work/xorriso.sha1")
  pipeline+=("$(calc "$(now) - $start")")
done
cmp -s "$work/xorriso.sha1" "$work/big.sha1" || { echo "xorriso extracted other bytes"; exit 1; }
chmod -R u+w "$work/xorriso"

copy=()
copy_sync=()
for _ in 1 2 3; do
  rm -rf "$work/cp"; mkdir "$work/cp"; sync
  start=$(now)
  (cd "$work/xorriso" && cp "${names[@]}" "$work/cp/")
  copy+=("$(calc "$(now) - $start")")
  rm -rf "$work/cp"; mkdir "$work/cp"; sync
  start=$(now)
  (cd "$work/xorriso" && cp "${names[@]}" "$work/cp/" && sync)
  copy_sync+=("$(calc "$(now) - $start")")
done

openssl_kbs=$(openssl speed -evp sha1 -bytes 16384 -seconds 3 2>/dev/null | awk '/^sha1/ {sub("k","",$2); print $2}')
ours=$("$sha_bench" --benchmark_filter='shaInstructions/16384' --benchmark_format=csv 2>/dev/null |
       awk -F, '/shaInstructions/ {print $6}')

size=$(du -cb "${names[@]/#/$work/cp/}" | tail -1 | cut -f1)
e=$(best "${extraction[@]}"); p=$(best "${pipeline[@]}"); c=$(best "${copy[@]}"); cs=$(best "${copy_sync[@]}")
echo "files: $size bytes; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'extraction under Wine    %6.2f s  %6.0f MB/s\n' "$e" "$(calc "$size / $e / 1e6")"
printf 'xorriso + sha1sum        %6.2f s  (extraction is %.2fx as fast)\n' "$p" "$(calc "$p / $e")"
printf 'cp                       %6.2f s  (extraction takes %.2fx as long)\n' "$c" "$(calc "$e / $c")"
printf 'cp + sync                %6.2f s  (extraction takes %.2fx as long)\n' "$cs" "$(calc "$e / $cs")"
printf 'SHA-1, ours (SHA-NI)     %6.0f MB/s\n' "$(calc "$ours / 1e6")"
printf 'SHA-1, openssl speed     %6.0f MB/s  (ours reaches %.2fx)\n' "$(calc "$openssl_kbs / 1e3")" \
  "$(calc "$ours / ($openssl_kbs * 1e3)")"
