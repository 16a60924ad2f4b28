#!/usr/bin/env bash
# The release pipeline end to end: packages made from this build and signed
# with a throwaway certificate; the zip run from an empty folder; the MSI
# installed, used, upgraded, refused a downgrade and removed under Wine in a
# prefix of its own, through the commands of docs/deploying.md as written.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${TWK_PACKAGE_TEST_ROOT:?}
export WINEPREFIX=$work/prefix HOME=$work/home WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
. "$root/tests/wine-env.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
version=${TWK_VERSION:?} newer=${TWK_VERSION%.*}.$((${TWK_VERSION##*.} + 1))
rm -rf "$work" && mkdir -p "$work/home" && cd "$work" || exit 1
trap 'wineserver -k 2>/dev/null' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Tidewick test" \
  -addext extendedKeyUsage=codeSigning 2>/dev/null && openssl pkcs12 -export -inkey key.pem -in cert.pem \
  -out cert.p12 -passout pass:test || fail "no test certificate"
TWK_SIGN_PKCS12=cert.p12 TWK_SIGN_PASSWORD=test "$root/scripts/package.sh" --build-dir "$TWK_BUILD_DIR" --out dist ||
  fail "signed packaging"
"$root/scripts/package.sh" --build-dir "$TWK_BUILD_DIR" --out newer --version "$newer" >newer.log &&
  grep -q UNSIGNED newer.log ||
  fail "an unsigned packaging run does not say so"
msi=tidewick-$version-x64.msi zip=dist/tidewick-$version-win64.zip
[ "$(unzip -Z1 "$zip" | sort | xargs)" = "LICENSE README.txt twk.exe" ] || fail "zip holds $(unzip -Z1 "$zip")"
mkdir portable && unzip -q "$zip" -d portable || fail "unzip"
for signed in portable/twk.exe "dist/$msi"; do
  osslsigncode verify -CAfile cert.pem -in "$signed" >/dev/null || fail "$signed is not validly signed"
done
osslsigncode verify -CAfile cert.pem -in "newer/tidewick-$newer-x64.msi" >/dev/null 2>&1 && fail "unsigned MSI verifies"
ok "packages made; twk.exe and the MSI signed, the unsigned run says so"

wineboot -i </dev/null >/dev/null 2>&1
(cd portable && wine twk.exe --no-gui list-modules </dev/null >../modules.txt 2>&1) || fail "portable twk.exe failed"
grep -q "temp_files" modules.txt || fail "portable list-modules: $(cat modules.txt)"
ok "the zip runs from an empty folder"

doc_block() { awk -v tag="<!-- test: $1 -->" '$0 == tag {f = 1; next} f && /^```/ {if (b) exit; b = 1; next} f && b' \
  "$root/docs/deploying.md"; }
# A documented block as a batch file, run by cmd in a folder; prints its exit status.
run_doc() {  # tag folder [sed expression]
  doc_block "$1" | sed -e "${3:-}" -e 's/$/\r/' >"$2/$1.cmd"
  (cd "$2" && wine cmd /c "$1.cmd" </dev/null >"$work/$1.out" 2>&1)
  echo $?
}
in_windows() { echo "$WINEPREFIX/drive_c/$1"; }
profile=$(in_windows "users/${USER:-$(id -un)}")
program_dir=$(in_windows "Program Files/Tidewick") data_dir=$(in_windows ProgramData/Tidewick)
entries() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null | tr -d '\r' |
  grep -A20 "DisplayName *REG_SZ *Tidewick$" | sed -n 's/^ *DisplayVersion *REG_SZ *//p' | xargs; }
on_path() { wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH </dev/null |
  grep -ci 'Program Files\\Tidewick'; }
shortcuts() { find "$WINEPREFIX/drive_c" -name Tidewick.lnk | wc -l; }
state() { echo "shortcuts $(shortcuts), PATH $(on_path), entries $(entries)"; }

[ "$(run_doc install dist)" = 0 ] || fail "install: $(cat install.out)"
[ -f "$program_dir/twk.exe" ] && [ -f "$program_dir/README.txt" ] && [ -f "$program_dir/LICENSE" ] || fail "files"
(cd home && wine cmd /c twk --no-gui version </dev/null) 2>&1 | tr -d '\r' | grep -qx "Tidewick v$version" ||
  fail "twk from PATH in a new console does not print v$version"
[ "$(state)" = "shortcuts 1, PATH 1, entries $version" ] || fail "$(state)"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null | grep -q "Publisher *REG_SZ *Tidewick" &&
  wine reg query 'HKLM\Software\Classes\Installer\Products' /s </dev/null | grep -q "ProductIcon.*twk\.ico" ||
  fail "the Add/Remove entry has no publisher or no icon"
ok "installed: files, twk on PATH printing v$version, shortcut, one Add/Remove entry with publisher and icon"

mkdir -p "$data_dir" && echo old >"$profile/Temp/old-report.log" && touch -d '3 days ago' "$profile/Temp/old-report.log"
[ "$(run_doc detect dist)" = 1 ] || fail "detection before the clean: $(cat "$profile/Temp/tidewick-scan.txt")"
[ "$(run_doc clean-script dist)" = 0 ] && grep -q "Cleaned: 1 items" "$data_dir/clean.log" &&
  [ ! -e "$profile/Temp/old-report.log" ] || fail "clean script: $(cat "$data_dir/clean.log")"
[ "$(run_doc detect dist)" = 0 ] || fail "detection after the clean: $(cat "$profile/Temp/tidewick-scan.txt")"
ok "detection 1, clean script 0 with its log, detection 0"
[ "$(run_doc json-report dist)" = 0 ] && mkdir reports && cp "$data_dir"/*.json reports/ &&
  bash -c "$(doc_block collect)" | grep -qP '^\d+\treports/.+\.json$' || fail "JSON report: $(cat "$data_dir"/*.json)"
ok "JSON report written and collected"

wine msiexec /i "newer/tidewick-$newer-x64.msi" /qn </dev/null >/dev/null 2>&1 || fail "upgrade to $newer"
[ -f "$program_dir/twk.exe" ] && [ "$(state)" = "shortcuts 1, PATH 1, entries $newer" ] || fail "upgraded: $(state)"
wine msiexec /i "dist/$msi" /qn </dev/null >/dev/null 2>&1
[ $? = $((1603 % 256)) ] || fail "$version over $newer did not fail with 1603"
[ "$(entries)" = "$newer" ] || fail "after the refused downgrade: entries $(entries)"
ok "$newer upgraded $version in place; $version refused over $newer"

backup=$profile/AppData/Local/Tidewick/Backups/registry-backup-1.reg
mkdir -p "${backup%/*}" && echo kept >"$backup"
[ "$(run_doc uninstall newer "s/$version/$newer/")" = 0 ] || fail "uninstall"
[ ! -e "$program_dir/twk.exe" ] && [ "$(state)" = "shortcuts 0, PATH 0, entries " ] ||
  fail "left after uninstall: files $(ls "$program_dir" 2>&1), $(state)"
[ -f "$backup" ] || fail "uninstall removed the user's registry backup"
ok "uninstalled: files, shortcut, PATH entry and Add/Remove entry gone; user data kept"
