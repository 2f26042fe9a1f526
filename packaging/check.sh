#!/bin/sh
# Checks the Debian package in the folder given as Debian checks one: lintian finds no error,
# and the menu entry and the AppStream metadata it installs are valid.
set -eu
deb=$(ls "$1"/cantra-adjust_*.deb)
echo "lintian $deb"
lintian --fail-on error --info "$deb"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
echo "$deb: lintian without errors, menu entry and AppStream metadata valid"
