#!/usr/bin/env bash
# Installs the engine from a build tree into a private prefix, builds the example host
# against it with find_package(Nimbrel), and runs it on two worlds.
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source/examples/host" -B "$work/host" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/host" >/dev/null
export NIMBREL_HOME="$work/home"
out=$("$work/host/nimbrel-host")
echo "$out"
grep -q '^activated Pocket PC$' <<<"$out"
echo '{"adapter": {"stack": false}}' > "$work/nostack.json"
if out=$(NIMBREL_WORLD="$work/nostack.json" "$work/host/nimbrel-host"); then exit 1; fi
echo "$out"
grep -q "^error 70507: Can't access to the bluetooth stack (CDeviceLocal::Activate)$" <<<"$out"
