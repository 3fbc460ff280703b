#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a temporary root and checks
# what a user gets: the programs (ovrin-cli among them), the desktop entry (valid, starting
# the program in a folder of the user's own), the icons, the README, and dependencies that
# name every library the programs link plus Qt's Czech texts.
set -euo pipefail
build=${1:?build directory}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || {
    cat "$tmp/cpack.log" >&2
    fail "cpack did not build the package"
}
deb=$(ls "$tmp"/out/ovrin_*_amd64.deb "$tmp"/out/ovrin_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package"
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root

for f in usr/bin/ovrin usr/bin/ovrin-cli usr/bin/ovrin-sim usr/bin/ovrin-start; do
    [ -x "$root/$f" ] || fail "$f missing or not executable"
done
for size in 16 24 32 48 64 128 256; do
    [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/ovrin.png" ] || fail "icon $size missing"
done
[ -s "$root/usr/share/doc/ovrin/README.md" ] || fail "README missing"
desktop=$root/usr/share/applications/ovrin.desktop
[ -s "$desktop" ] || fail "desktop entry missing"
desktop-file-validate "$desktop" || fail "desktop entry not valid"
grep -q '^Exec=ovrin-start$' "$desktop" || fail "desktop entry does not start ovrin-start"
# The menu starts the program in ~/Ovrin, whatever folder the menu itself is in; the
# launcher runs the ovrin beside it (a stand-in here that tells where it was started).
mkdir -p "$tmp/launch" "$tmp/home"
cp "$root/usr/bin/ovrin-start" "$tmp/launch/"
printf '#!/bin/sh\npwd\n' >"$tmp/launch/ovrin"
chmod +x "$tmp/launch/ovrin"
started=$(cd / && HOME="$tmp/home" "$tmp/launch/ovrin-start") || fail "ovrin-start did not run"
[ "$started" = "$tmp/home/Ovrin" ] || fail "ovrin-start started the program in $started"
grep -q '^Icon=ovrin$' "$desktop" || fail "desktop entry without the icon"
grep -q '^Comment=.*sériové lince' "$desktop" || fail "desktop entry comment not Czech"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *qt6-translations-l10n*) ;; *) fail "Qt's Czech texts not a dependency" ;; esac
# Every library a program links comes from a package the package depends on.
for program in "$root/usr/bin/ovrin" "$root/usr/bin/ovrin-cli" "$root/usr/bin/ovrin-sim"; do
    for lib in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
        # ldd names the dynamic loader by its path alone ("/lib64/ld-linux-x86-64.so.2 (0x...)").
        path=$(ldd "$program" | awk -v l="$lib" '$1 == l { print $3 } $1 ~ ("/" l "$") { print $1 }')
        [ -n "$path" ] && [ "$path" != "not" ] || fail "$lib of $(basename "$program") not found"
        # Merged /usr: dpkg knows a file under one of its two names.
        owner=$( (dpkg -S "$path" || dpkg -S "$(readlink -f "$path")") 2>/dev/null |
                 head -n 1 | cut -d: -f1 || true)
        case " ${depends//,/ } " in
        *" $owner "*) ;;
        *) fail "$lib (package $owner) of $(basename "$program") is no dependency" ;;
        esac
    done
done
# The unpacked simulator runs from the package's files.
"$root/usr/bin/ovrin-sim" --help >/dev/null || fail "the packaged ovrin-sim does not run"
# The packaged CLI runs (offscreen, as it always does) and speaks Czech.
help=$("$root/usr/bin/ovrin-cli" --help) || fail "the packaged ovrin-cli does not run"
case "$help" in "použití: ovrin-cli"*) ;; *) fail "ovrin-cli --help is not Czech" ;; esac
ports=$(cd "$tmp" && "$root/usr/bin/ovrin-cli" ports --json) || fail "ovrin-cli ports failed"
case "$ports" in *'"ok":true'*) ;; *) fail "ovrin-cli ports: $ports" ;; esac
# Installable here: every dependency is satisfied (a dry run changes nothing).
if [ "$(id -u)" = 0 ]; then
    dpkg --dry-run -i "$deb" >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log" >&2; fail "dpkg would not install it"; }
fi
echo "package ok: $(basename "$deb")"
