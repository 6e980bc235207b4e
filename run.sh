#!/usr/bin/env bash
# Installs what is missing, builds and starts Quillpad. Notes are kept in
# $QUILLPAD_HOME, or else in ~/.local/share/Quillpad, never under build/.
# Without the desktop side (no Qt), it shows the storage engine at work
# through xbtool on a small demonstration table.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j "$(nproc)" quillpad xbtool 2>/dev/null || ninja -C build -j "$(nproc)"

if [ -x build/app/quillpad ]; then
  exec build/app/quillpad "$@"
fi

demo=build/demo
mkdir -p "$demo"
table=$demo/people.dbf
rm -f "$demo"/people.*
xbtool=build/tools/xbtool
set -x
$xbtool create "$table" NAME,C,20 CITY,C,15 BORN,D,8 HEIGHT,N,5,2 ACTIVE,L,1
$xbtool append "$table" NAME="Ada Lovelace" CITY=London BORN=18151210 HEIGHT=1.65 ACTIVE=T
$xbtool append "$table" NAME="Émile Zola" CITY=Paris BORN=18400402 HEIGHT=1.72 ACTIVE=F
$xbtool index "$table" 'NAMES,F,F,upper(NAME)'
$xbtool info "$table"
$xbtool dump --order NAMES "$table"
$xbtool check "$table"
