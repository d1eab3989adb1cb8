#!/usr/bin/env bash
# The demo mode against the built-in stand-in reader: screenshots are written, the reader
# is identified, and only the demo's own settings profile is touched.
#   demo-screenshot.sh PROGRAM
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/shots
# The update check stays on loopback, where nothing answers.
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen \
    VOREX_UPDATE_URL=https://127.0.0.1:9/rfid/software/ \
    "$program" --demo --screenshot "$out" 2> "$work/log"
for f in main-window interface-dialog cycle-dialog about-box iso15693-workbench \
    nfc-type2-workbench transmit-power-dialog; do
    [[ -s $out/$f.png ]] || { echo "missing $f.png"; cat "$work/log"; exit 1; }
done
grep -q '^caption: Vorex Programmer V.* <VX-B75 /dev/pts/[0-9]*:1  FW V1.19> \[Demo\]$' "$work/log" || {
    echo "reader not identified:"; cat "$work/log"; exit 1; }
if grep -q '^message:' "$work/log"; then
    echo "unexpected message box:"; cat "$work/log"; exit 1
fi
[[ -f "$work/config/Nvk Applikationen/VorexProgrammerDemo.conf" ]] || { echo "no demo profile"; exit 1; }
if [[ -e "$work/config/Nvk Applikationen/VorexProgrammer.conf" ]]; then
    echo "the user's profile was written"; exit 1
fi
grep -q '^Name=/dev/pts/' "$work/config/Nvk Applikationen/VorexProgrammerDemo.conf"
