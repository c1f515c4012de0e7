#!/usr/bin/env bash
# Seeds for manifest_fuzz: manifests that sha256sum itself writes over a game folder's saves.
#   fuzz/manifest_seeds.sh <corpus folder>
set -euo pipefail
out=$(realpath -m "$1")
mkdir -p "$out"
game=$(mktemp -d)
trap 'rm -rf "$game"' EXIT
cd "$game"
mkdir -p memcards/mc0/BISLPM-65001 savedata/QXUS-40404 states
printf 'card one' >memcards/Mcd001.ps2
printf 'card two' >memcards/Mcd002.ps2
printf 'icon' >memcards/mc0/BISLPM-65001/icon.sys
printf 'save' >savedata/QXUS-40404/save-001.myrsave
printf '{}' >savedata/QXUS-40404/save-001.json
printf 'MYRSAVE' >savedata/QXUS-40404/system.myrsave
printf 'state' >"states/slot 1.state"
files=(memcards/Mcd001.ps2 memcards/Mcd002.ps2 memcards/mc0/BISLPM-65001/icon.sys
       savedata/QXUS-40404/save-001.myrsave savedata/QXUS-40404/save-001.json
       savedata/QXUS-40404/system.myrsave "states/slot 1.state")
sha256sum "${files[@]}" >"$out/text-mode"
sha256sum -b "${files[@]}" >"$out/binary-mode"
sha256sum "${files[@]}" | sed 's/$/\r/' >"$out/crlf"
sha256sum "${files[0]}" >"$out/one-line"
