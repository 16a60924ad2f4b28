#!/usr/bin/env bash
# Makes the release packages: tidewick-<version>-win64.zip (twk.exe, README.txt,
# LICENSE) and tidewick-<version>-x64.msi, a per-machine install that adds a
# Start-menu shortcut and puts its folder on the system PATH.
#
#   bash scripts/package.sh [--build-dir DIR] [--out DIR] [--version X.Y.Z]
#
# Without --build-dir it installs what is missing and builds the release
# first; with it, it packs that build as it is. --out defaults to dist/, and
# --version to the build's own version (only test packages set it).
# TWK_SIGN_PKCS12 (a PKCS#12 file) and TWK_SIGN_PASSWORD sign twk.exe before
# it is packed and the MSI after it is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="" out=$root/dist version=""
while (($#)); do
  case $1 in
    --build-dir) build=$(realpath "$2") && shift 2 ;;
    --out) out=$(realpath -m "$2") && shift 2 ;;
    --version) version=$2 && shift 2 ;;
    *) echo "usage: $0 [--build-dir DIR] [--out DIR] [--version X.Y.Z]" >&2 && exit 2 ;;
  esac
done
if [ -z "$build" ]; then
  bash "$root/scripts/build.sh"
  build=$root/build
fi
[ -n "$version" ] || version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -f "$build/twk.exe" ] || { echo "package: no release build in $build" >&2; exit 1; }

sign() {  # file: signed in place, without a timestamp (no network)
  osslsigncode sign -pkcs12 "$TWK_SIGN_PKCS12" -readpass <(printf '%s' "${TWK_SIGN_PASSWORD:-}") \
    -h sha256 -n Tidewick -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}
signing=${TWK_SIGN_PKCS12:+yes}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/twk.exe" "$root/src/app/resources/twk.ico" "$stage/"
# Notepad and friends want CRLF line ends.
sed "s/@VERSION@/$version/; s/\$/\r/" "$root/src/package/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE"
[ -z "$signing" ] || sign "$stage/twk.exe"

mkdir -p "$out"
zip_file=$out/tidewick-$version-win64.zip
msi_file=$out/tidewick-$version-x64.msi
rm -f "$zip_file" "$msi_file"
(cd "$stage" && zip -q -X "$zip_file" twk.exe README.txt LICENSE)

# wixl reads the staged files relative to the folder it runs in.
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$msi_file" "$root/src/package/tidewick.wxs")
# wixl has no Environment element: the PATH entry ("=-*": set on install,
# removed on uninstall, system-wide; "[~];" appends) and the two standard
# actions that apply it go into the built database directly.
msibuild "$msi_file" \
  -q 'CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE,
      `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)' \
  -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`)
      VALUES ('TidewickPath', '=-*PATH', '[~];[INSTALLDIR]', 'Program')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
[ -z "$signing" ] || sign "$msi_file"

if [ -n "$signing" ]; then
  echo "package: twk.exe and the MSI are signed with $TWK_SIGN_PKCS12"
else
  echo "package: UNSIGNED packages (set TWK_SIGN_PKCS12 and TWK_SIGN_PASSWORD to sign them)"
fi
echo "package: $zip_file"
echo "package: $msi_file"
