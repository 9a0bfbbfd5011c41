#!/bin/sh
# Checks that an install tree, or the Debian package, holds the program and
# its manual page where a Linux user looks for them.
kind=${1:?usage: install.sh tree|deb BUILD-DIR} build=${2:?}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT

case $kind in
tree)
	DESTDIR=$tmp/root "${CMAKE:-cmake}" --install "$build" --prefix /usr >/dev/null || exit 1
	(cd "$tmp/root" && find . ! -type d) >"$tmp/list" ;;
deb)
	command -v dpkg-deb >/dev/null || { echo 'dpkg-deb not found: skipped'; exit 77; }
	"${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null || exit 1
	deb=$(echo "$tmp"/*.deb)
	dpkg-deb -c "$deb" | awk '{ print $6 }' >"$tmp/list"
	section=$(dpkg-deb -f "$deb" Section)
	[ "$section" = utils ] || { echo "section '$section', not utils"; exit 1; } ;;
esac

for f in ./usr/bin/more_zero ./usr/share/man/man1/more_zero.1.gz; do
	grep -qx "$f" "$tmp/list" || { echo "$f missing from:"; cat "$tmp/list"; exit 1; }
done
