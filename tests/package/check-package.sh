#!/bin/sh
# Makes the Debian package from a built tree and checks it as a distribution
# would: lintian on the .deb, and the AppStream validator and
# desktop-file-validate on the files as the package installs them. Fails on
# any error or warning; info and pedantic notes are shown but pass.
#   check-package.sh <build folder> <scratch folder>
set -eu
build=$1
work=$2

rm -rf "$work"
mkdir -p "$work/root"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
set -- "$work"/quenzal_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "cpack made no single quenzal package"; ls "$work"; exit 1; }
deb=$1
dpkg-deb -x "$deb" "$work/root"
failed=0

echo "== lintian $(basename "$deb")"
lintian --fail-on error,warning --display-info --pedantic --tag-display-limit 0 "$deb" || failed=1

for metainfo in "$work"/root/usr/share/metainfo/*.metainfo.xml; do
    echo "== appstreamcli validate --pedantic --no-net $(basename "$metainfo")"
    appstreamcli validate --pedantic --no-net --no-color "$metainfo" || failed=1
done
# The whole installed tree: the entry's launchable desktop file and its icon.
echo "== appstreamcli validate-tree --pedantic --no-net"
appstreamcli validate-tree --pedantic --no-net --no-color "$work/root" || failed=1

for desktop in "$work"/root/usr/share/applications/*.desktop; do
    echo "== desktop-file-validate $(basename "$desktop")"
    out=$(desktop-file-validate "$desktop" 2>&1) || failed=1
    [ -z "$out" ] || echo "$out"
    case $out in *error:* | *warning:*) failed=1 ;; esac
done

# quenzal-cli as the package installs it loads its modules: .rtf files
# written and read through the one, and, through the other, an input that
# holds no message told as such (exit status 13) rather than a missing part
# (15).
echo "== quenzal-cli's modules from the package"
cli="$work/root/usr/bin/quenzal-cli"
printf '{\\rtf1 some text}' >"$work/in.rtf"
printf 'password\n' >"$work/password"
none="--no-password --no-second-password"
# shellcheck disable=SC2086
if ! "$cli" scramble $none "$work/in.rtf" "$work/scrambled.rtf" ||
    ! "$cli" unscramble $none "$work/scrambled.rtf" "$work/out.txt" ||
    [ "$(cat "$work/out.txt")" != "some text" ]; then
    echo "quenzal-cli from the package did not write and read .rtf files"
    failed=1
fi
status=0
"$cli" decrypt --password-file "$work/password" "$work/in.rtf" "$work/out.txt" || status=$?
if [ "$status" -ne 13 ]; then
    echo "quenzal-cli from the package ended decrypt with status $status, not 13"
    failed=1
fi

[ "$failed" -eq 0 ] && echo "== the package passes"
exit "$failed"
