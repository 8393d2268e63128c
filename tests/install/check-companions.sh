#!/usr/bin/env bash
# Installs a build tree into a private prefix and checks what is installed around the programs:
# the manual pages render without a warning, the menu entry and the AppStream entry validate,
# and the bash completion of nimbrelctl completes commands, radio verbs and the addresses of
# known devices. Exits 77 (skipped) when a checker is not installed.
set -euo pipefail
build=$1
for tool in groff desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# Manual pages: every installed page, with no warning at all.
pages=("$prefix"/share/man/man1/*.1)
[ ${#pages[@]} -eq 3 ] || fail "expected the three manual pages, found: ${pages[*]}"
for page in "${pages[@]}"; do
  out=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
  [ -z "$out" ] || fail "groff warns on $page: $out"
  if man --help 2>/dev/null | grep -q -- --warnings; then
    out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man failed on $page"
    [ -z "$out" ] || fail "man warns on $page: $out"
  fi
done

# The menu entry (not even a hint) and the AppStream entry, which must name that entry.
if [ -d "$prefix/share/applications" ]; then
  for entry in "$prefix"/share/applications/*.desktop; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed on $entry"
    [ -z "$out" ] || fail "desktop-file-validate on $entry: $out"
  done
  out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) || fail "appstreamcli validate-tree: $out"
  for info in "$prefix"/share/metainfo/*.metainfo.xml; do
    out=$(appstreamcli validate --no-net "$info" 2>&1) || fail "appstreamcli validate $info: $out"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$info")
    [ -f "$prefix/share/applications/$launchable" ] || fail "$info launches $launchable, which is not installed"
  done
  [ -f "$prefix/share/icons/hicolor/scalable/apps/nimbrel.svg" ] || fail "the icon is not installed"
fi

# The completion, driven as bash drives it: COMP_WORDS as bash splits the line (at spaces and
# at the colons of COMP_WORDBREAKS), the answers one a line.
completion=$(ls "$prefix"/share/bash-completion/completions/nimbrelctl 2>/dev/null || true)
[ -n "$completion" ] || fail "the completion of nimbrelctl is not installed"
export NIMBREL_HOME=$work/home
mkdir -p "$NIMBREL_HOME"
complete_words() {
  bash --norc --noprofile -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _nimbrelctl nimbrelctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$prefix/bin/nimbrelctl" "$@"
}
expect() {
  local want=$1; shift
  local got
  got=$(complete_words "$@" | LC_ALL=C sort | tr '\n' ' ')
  [ "$got" = "$want" ] || fail "completing nimbrelctl $*: got '$got', expected '$want'"
}
if [ -n "$completion" ]; then
  registered=$(bash --norc --noprofile -c 'source "$1" && complete -p nimbrelctl' completion "$completion") ||
    fail "the completion does not load"
  [ "$registered" = "complete -F _nimbrelctl nimbrelctl" ] || fail "the completion registers '$registered'"
  expect "power " pow
  expect "ports power " po
  expect "browse hosts leave pair-request push return serial-connect " radio ""
  expect "off on " power ""
  expect "auto bluez sim " --backend ""
  expect "dun spp " connect 00:12:AB:34:CD:56 ""
  expect "--accept --tcp " obex-server --
  expect "--pid " radio leave 00:12:AB:34:CD:56 --
  touch "$work/card.vcf"
  expect "$work/card.vcf " push 00:12:AB:34:CD:56 "$work/card"
  # No registry yet: no address, and completing makes none.
  expect "" services ""
  [ ! -e "$NIMBREL_HOME/registry.db" ] || fail "completing an address created the registry"
  # A paired device (its PIN in the stack's security key) and a device with a shortcut.
  "$prefix/bin/nimbrel-reg" import - <<'REG' || fail "nimbrel-reg import"
[software\microsoft\bluetooth\security]
"pin0012ab34cd56"=hex:31,32,33,34
"key0012ab34cd56"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f
[software\Trevanix\Nimbrel\Shortcuts\Laptop112233445566]
"device_btAddr"=hex(4):66,55,44,33,22,11,00,00
REG
  expect "00:12:AB:34:CD:56 11:22:33:44:55:66 " services ""
  expect "12:AB:34:CD:56 " pair 00 : 1
  # Bash replaces only what follows the last colon.
  expect "AB:34:CD:56 " ls 00 : 12 : A
  expect "11:22:33:44:55:66 " shortcut save 1
fi
exit $failed
