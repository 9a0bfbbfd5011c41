#!/bin/sh
# Checks what a user or a distributor installs: the install tree, the Debian
# package (its contents, lintian's verdict, that two packs under different
# umasks are identical, and that a static build refuses to pack one), the RPM (the same under another host
# name), each named for the architecture configure gave (DEB and RPM), the
# source archive (the same from two clones), that the packed changelog
# follows the one made from NEWS.md, that a build configured in another
# language packs the same RPM changelog, and that a compiler that cannot
# link statically still gives a working build.
kind=${1:?usage: install.sh tree|deb|lintian|rpm|locale|source|changelog|fallback BUILD-DIR} build=${2:?}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
need() { command -v "$1" >/dev/null || { echo "$1 not found: skipped"; exit 77; }; }
fail() { echo "$*"; exit 1; }
# The Debian package lists the libraries it needs, found by dpkg's scan,
# which needs the file utility.
scan() {
	need file
	need dpkg-shlibdeps
}
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
	if [ "$LINK" != dynamic ]; then
		"${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/a" >"$tmp/log" 2>&1 &&
			fail 'a static build packed a Debian package'
		grep -q 'MORE_ZERO_LINK=dynamic' "$tmp/log" || fail "the refusal says not what to do: $(cat "$tmp/log")"
		exit 0
	fi
	need dpkg-deb
	scan
	pack DEB "$tmp/a"
	arch=$(dpkg-deb -f "$tmp"/a/*.deb Architecture)
	[ "$arch" = "$DEB" ] || fail "the package says $arch, configure said $DEB"
	sleep 1
	(umask 077 && pack DEB "$tmp/b")
	cmp "$tmp"/a/*.deb "$tmp"/b/*.deb || fail 'two packs differ'
	dpkg-deb -c "$tmp"/a/*.deb | awk '{ print $1, $6 }' >"$tmp/modes"
	grep '^d' "$tmp/modes" | grep -v '^drwxr-xr-x' && fail 'directory not 0755'
	awk '{ print $2 }' "$tmp/modes" >"$tmp/list"
	section=$(dpkg-deb -f "$tmp"/a/*.deb Section)
	[ "$section" = utils ] || fail "section '$section', not utils"
	(cd "$tmp/a" && sha256sum -c --quiet ./*.sha256) || fail 'checksum does not match' ;;
lintian)
	need lintian
	scan
	pack DEB "$tmp"
	lintian -EvIL +pedantic "$tmp"/*.deb 2>&1 | grep -v 'running with root privileges' | grep . && exit 1
	exit 0 ;;
rpm)
	need rpmbuild
	pack RPM "$tmp"
	rpm -qp --qf '%{NAME} %{LICENSE}\n' "$tmp"/*.rpm | grep -qx 'more-zero MIT' || fail 'name or licence wrong'
	arch=$(rpm -qp --qf '%{ARCH}' "$tmp"/*.rpm)
	[ "$arch" = "$RPM" ] || fail "the package says $arch, configure said $RPM"
	rpm -qpl "$tmp"/*.rpm | sed 's|^|.|' >"$tmp/list"
	grep -Ex '\./usr/(bin|share/man|share/man/man1)' "$tmp/list" && fail 'owns a shared directory'
	rpm -qpL "$tmp"/*.rpm | grep -qx /usr/share/doc/more-zero/copyright || fail 'copyright is not the licence'
	rpm -qp --changelog "$tmp"/*.rpm | head -n 2 >"$tmp/changes"
	grep -Eq '^\* [A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{4} .* - [0-9.]+-1$' "$tmp/changes" &&
		grep -q '^- ' "$tmp/changes" || fail "changelog not from NEWS.md: $(cat "$tmp/changes")"
	if unshare -u true 2>/dev/null; then
		mkdir "$tmp/b"
		unshare -u sh -c 'hostname more-zero-elsewhere && "$0" -G RPM --config "$1" -B "$2"' \
			"${CPACK:-cpack}" "$build/CPackConfig.cmake" "$tmp/b" >/dev/null || exit 1
		cmp "$tmp"/*.rpm "$tmp"/b/*.rpm || fail 'two packs under other host names differ'
	else
		echo 'unshare -u does not work here: the host name is not varied'
	fi ;;
locale)
	# The changelog's days are named in English whatever the language of
	# the one who configures, or rpmbuild drops them.
	[ "$CROSS" = TRUE ] && { echo 'cross build: configured as on the build machine: skipped'; exit 77; }
	need rpmbuild
	lang=$(locale -a 2>/dev/null | grep -Eiv '^(C|POSIX|en_.*)([.@].*)?$' | head -n 1)
	[ -n "$lang" ] || { echo 'no locale but English installed: skipped'; exit 77; }
	LC_ALL=$lang "${CMAKE:-cmake}" -S "$(dirname "$0")/.." -B "$tmp/b" -DCMAKE_CXX_COMPILER="$CXX" \
		-DMORE_ZERO_LINK=dynamic >"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
	LC_ALL=$lang "${CMAKE:-cmake}" --build "$tmp/b" >"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
	(cd "$tmp/b" && LC_ALL=$lang "${CPACK:-cpack}" -G RPM -B "$tmp/rpm" >"$tmp/log" 2>&1) || { cat "$tmp/log"; exit 1; }
	# rpm ends the changelog with a blank line.
	rpm -qp --changelog "$tmp"/rpm/*.rpm | sed '${/^$/d;}' >"$tmp/changes"
	cmp -s "$tmp/changes" "$build/rpm-changelog" ||
		fail "in $lang, the RPM's changelog is not NEWS.md's: $(head -n 1 "$tmp/changes")"
	exit 0 ;;
source)
	# Two clones under different umasks, one with a stray file, must pack
	# the same archive: the tracked files, owned by root, 0644 or 0755.
	src=$(cd "$(dirname "$0")/.." && pwd -P)
	[ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" = "$src" ] ||
		{ echo 'the source is not the top of its own git checkout: skipped'; exit 77; }
	need xz
	for u in 022 077; do
		(umask $u && git clone -q "$src" "$tmp/$u" && mkdir "$tmp/$u.out") || exit 1
		[ $u = 077 ] && echo stray >"$tmp/$u/build.log"
		sh "$src/packaging/dist.sh" "$tmp/$u" more_zero "$tmp/$u.out" >/dev/null || exit 1
	done
	cmp "$tmp/022.out/more_zero.tar.xz" "$tmp/077.out/more_zero.tar.xz" || fail 'two clones pack differently'
	(cd "$tmp/022.out" && sha256sum -c --quiet more_zero.tar.xz.sha256) || fail 'checksum does not match'
	tar -tvJf "$tmp/022.out/more_zero.tar.xz" | grep -Ev '^(-rw-r--r--|-rwxr-xr-x|drwxr-xr-x) root/root ' &&
		fail 'modes or owners not normalised'
	tar -tJf "$tmp/022.out/more_zero.tar.xz" | grep -v '/$' | sed 's|^more_zero/||' >"$tmp/got"
	git -C "$tmp/022" ls-files | diff - "$tmp/got" || fail 'source archive is not the tracked files'
	exit 0 ;;
changelog)
	# Made again from a changed changelog, as when its conversion changes.
	cp "$build/changelog" "$tmp/changelog"
	echo '  * A line added here.' >>"$build/changelog"
	"${CMAKE:-cmake}" --build "$build" --target gzip-changelog >/dev/null
	gzip -dc "$build/changelog.gz" | cmp -s - "$build/changelog"
	set -- $?
	cp "$tmp/changelog" "$build/changelog"
	"${CMAKE:-cmake}" --build "$build" --target gzip-changelog >/dev/null
	[ "$1" = 0 ] || fail 'changelog.gz was not made again from the changed changelog'
	exit 0 ;;
fallback)
	[ "$CROSS" = TRUE ] && { echo 'cross build: the fallback is configured as on the build machine: skipped'; exit 77; }
	need readelf
	nostatic=$(cd "$(dirname "$0")" && pwd)/nostatic-c++
	# Where the build's compiler is the wrapper already, it wraps c++.
	case $CXX in */nostatic-c++) ;; *) export REAL_CXX="$CXX" ;; esac
	"${CMAKE:-cmake}" -S "$(dirname "$0")/.." -B "$tmp/b" -DCMAKE_CXX_COMPILER="$nostatic" >"$tmp/log" 2>&1 ||
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
