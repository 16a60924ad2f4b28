#!/usr/bin/env bash
# Puts deps/nuklear.h in place: Debian ships the single-header GUI library
# inside the glfw3 source package (as its examples' copy), so it is taken
# from there with apt's source download and checked against a known hash.
# Quick when the header is already present and intact (run as root otherwise).
set -euo pipefail

NUKLEAR_SHA256=5ca9fd74ca145d96271a8f09679f33ce7d4ac3a460c0bc41d73f5387c9b9f94d
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target="$root/deps/nuklear.h"

header_ok() {
  [ -f "$target" ] && echo "$NUKLEAR_SHA256  $target" | sha256sum --check --status
}

# True when apt already knows a source-package index.
have_deb_src() {
  grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list && return 0
  grep -qsE '^Types:.*\bdeb-src\b' /etc/apt/sources.list.d/*.sources
}

# Writes deb-src twins of the machine's deb822 entries (same URIs, suites,
# components and keys), so the source comes from wherever the binaries do.
# A fresh debootstrap root has no deb822 files: awk then reads /dev/null,
# never the terminal.
add_deb_src() {
  local out=/etc/apt/sources.list.d/twk-deb-src.sources
  awk '
    function flush() {
      if (is_deb && uris != "") {
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, suites, comps
        if (signed != "") printf "Signed-By: %s\n", signed
        printf "\n"
      }
      is_deb = 0; uris = suites = comps = signed = ""
    }
    /^[[:space:]]*$/ { flush(); next }
    /^#/ { next }
    /^Types:/ { is_deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
    /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
    /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
    /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
    /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
    END { flush() }
  ' $(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v "$out") /dev/null >"$out.new"
  # One-line style entries, for machines configured the older way.
  grep -hsE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >"${out%.sources}.list.new" || true
  if [ -s "$out.new" ]; then mv "$out.new" "$out"; else rm -f "$out.new"; fi
  if [ -s "${out%.sources}.list.new" ]; then mv "${out%.sources}.list.new" "${out%.sources}.list"; else rm -f "${out%.sources}.list.new"; fi
  [ -s "$out" ] || [ -s "${out%.sources}.list" ] || { echo "fetch-nuklear: no apt sources to derive deb-src from" >&2; exit 1; }
}

if header_ok; then
  echo "fetch-nuklear: deps/nuklear.h present"
  exit 0
fi

if ! have_deb_src; then
  echo "fetch-nuklear: adding deb-src entries"
  add_deb_src
  apt-get update -qq
fi

work=$(mktemp -d)
chmod a+rwx "$work"  # apt downloads as its own unprivileged user
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only -qq glfw3 >/dev/null)
orig=$(ls "$work"/glfw3_*.orig.tar.* | head -n 1)
member=$(tar -tf "$orig" | grep -E '^[^/]+/deps/nuklear\.h$' | head -n 1)
[ -n "$member" ] || { echo "fetch-nuklear: no deps/nuklear.h in $orig" >&2; exit 1; }
mkdir -p "$root/deps"
tar -xOf "$orig" "$member" >"$target.new"
mv "$target.new" "$target"
if ! header_ok; then
  echo "fetch-nuklear: deps/nuklear.h does not have the expected SHA-256" >&2
  rm -f "$target"
  exit 1
fi
echo "fetch-nuklear: deps/nuklear.h ready"
