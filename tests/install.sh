#!/bin/sh
# Checks what a user or a distributor installs: the install tree, the Debian
# package (its contents, lintian's verdict, and that two packs under
# different umasks are identical), the RPM and the source archive; and that
# a compiler that cannot link statically still gives a working build.
kind=${1:?usage: install.sh tree|deb|lintian|rpm|source|fallback BUILD-DIR} build=${2:?}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
need() { command -v "$1" >/dev/null || { echo "$1 not found: skipped"; exit 77; }; }
fail() { echo "$*"; exit 1; }
pack() { "${CPACK:-cpack}" -G "$1" --config "$build/CPackConfig.cmake" -B "$2" >/dev/null || exit 1; }
files='./usr/bin/more_zero ./usr/share/man/man1/more_zero.1.gz
./usr/share/doc/more-zero/copyright ./usr/share/doc/more-zero/changelog.gz'

case $kind in
tree)
	DESTDIR=$tmp/root "${CMAKE:-cmake}" --install "$build" --prefix /usr --strip >/dev/null || exit 1
	(cd "$tmp/root" && find . ! -type d) >"$tmp/list"
	need readelf
	readelf -S "$tmp/root/usr/bin/more_zero" | grep -q '\.comment' && fail 'not stripped of .comment' ;;
deb)
	need dpkg-deb
	pack DEB "$tmp/a"
	sleep 1
	(umask 077 && pack DEB "$tmp/b")
	cmp "$tmp"/a/*.deb "$tmp"/b/*.deb || fail 'two packs differ'
	dpkg-deb -c "$tmp"/a/*.deb | awk '{ print $1, $6 }' >"$tmp/modes"
	grep '^d' "$tmp/modes" | grep -v '^drwxr-xr-x' && fail 'directory not 0755'
	awk '{ print $2 }' "$tmp/modes" >"$tmp/list"
	section=$(dpkg-deb -f "$tmp"/a/*.deb Section)
	[ "$section" = utils ] || fail "section '$section', not utils" ;;
lintian)
	need lintian
	pack DEB "$tmp"
	lintian -EvIL +pedantic "$tmp"/*.deb 2>&1 | grep -v 'running with root privileges' | grep . && exit 1
	exit 0 ;;
rpm)
	need rpmbuild
	pack RPM "$tmp"
	rpm -qp --qf '%{NAME} %{LICENSE}\n' "$tmp"/*.rpm | grep -qx 'more-zero MIT' || fail 'name or licence wrong'
	rpm -qpl "$tmp"/*.rpm | sed 's|^|.|' >"$tmp/list"
	grep -Ex '\./usr/(bin|share/man|share/man/man1)' "$tmp/list" && fail 'owns a shared directory' ;;
source)
	git -C "$(dirname "$0")/.." ls-files >"$tmp/tracked" 2>/dev/null || { echo 'not a git checkout: skipped'; exit 77; }
	(cd "$build" && "${CPACK:-cpack}" --config CPackSourceConfig.cmake -B "$tmp" >/dev/null) || exit 1
	tar -tJf "$tmp"/*.tar.xz | grep -v '/$' | sed 's|^more_zero-[^/]*/||' | sort >"$tmp/got"
	sort "$tmp/tracked" >"$tmp/want"
	diff "$tmp/want" "$tmp/got" || fail 'source archive is not the tracked files'
	exit 0 ;;
fallback)
	[ "$CROSS" = TRUE ] && { echo 'cross build: the fallback is configured as on the build machine: skipped'; exit 77; }
	need readelf
	printf '#!/bin/sh\nfor a; do case $a in -static*) echo "ld: cannot find -lc" >&2; exit 1 ;; esac; done\nexec %s "$@"\n' \
		"$CXX" >"$tmp/c++"
	chmod +x "$tmp/c++"
	"${CMAKE:-cmake}" -S "$(dirname "$0")/.." -B "$tmp/b" -DCMAKE_CXX_COMPILER="$tmp/c++" >"$tmp/log" 2>&1 ||
		{ cat "$tmp/log"; exit 1; }
	grep -q 'linking dynamically.*(Fedora/RHEL: glibc-static libstdc++-static)' "$tmp/log" ||
		fail 'configure did not say what to install'
	"${CMAKE:-cmake}" --build "$tmp/b" --target more_zero >"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
	readelf -l "$tmp/b/more_zero" | grep -q INTERP || fail 'not linked dynamically'
	printf '%s\n' -4 | "$tmp/b/more_zero" >/dev/null
	[ $? = 2 ] || fail 'the dynamic build answers wrong'
	exit 0 ;;
esac

for f in $files; do
	grep -qx "$f" "$tmp/list" || { echo "$f missing from:"; cat "$tmp/list"; exit 1; }
done
