#!/bin/sh
# Builds and tests the project in a minimal Debian root of RELEASE, made
# with debootstrap --variant=minbase from the mirror this machine's apt
# sources name, with nothing but the README's prerequisites and a copy of
# the working tree: the README's two commands must pass there, and then,
# with the tools that some rows need, every row of the cases. Then, with
# lld and the benchmark's tools added, prints the benchmark's figures for
# the static and the static PIE link. Given a COMMAND, runs that in the
# root instead, in the tree's copy, as layout/order.sh does. Needs root.
#
#   sh .ci/chroot.sh RELEASE [COMMAND]
release=${1:?usage: chroot.sh RELEASE [COMMAND]} command=${2-}
src=$(cd "$(dirname "$0")/.." && pwd)
skip() { echo "chroot.sh: $*: skipped" >&2; exit 77; }
[ "$(id -u)" = 0 ] || skip 'not root'
for tool in debootstrap unshare git; do
	command -v $tool >/dev/null || skip "no $tool"
done
mirror=$(sed -n 's/^URIs: *\(http[^ ]*\/debian\)\/*$/\1/p; s/^deb \(http[^ ]*\/debian\)\/* .*/\1/p' \
	/etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null | head -n 1)
[ -n "$mirror" ] || skip 'no Debian mirror in the apt sources'
root=$(mktemp -d /var/tmp/more_zero-"$release".XXXXXX) || exit 1
# The mounts live in a namespace of their own, so none is left behind.
trap 'rm -rf "$root"' EXIT
set -e

echo "chroot.sh: making a minimal $release root from $mirror" >&2
debootstrap --variant=minbase --include=g++,cmake,make "$release" "$root" "$mirror" >"$root.log" 2>&1 ||
	{ tail -n 20 "$root.log" >&2; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The working tree's files, as git would commit them now.
mkdir "$root/src"
git -C "$src" ls-files -z --cached --others --exclude-standard |
	(cd "$src" && xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$root/src"

# in_root SCRIPT: runs SCRIPT as root in the root, in /src.
in_root() {
	unshare --mount --propagation private sh -c '
		mount --rbind /dev "$0/dev" && mount -t proc proc "$0/proc" &&
		exec env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
			DEBIAN_FRONTEND=noninteractive chroot "$0" sh -ec "cd /src; $1"' "$root" "$1"
}
apt() { in_root "apt-get install -y -qq --no-install-recommends $* >/dev/null"; }

if [ -n "$command" ]; then
	in_root "$command"
	exit
fi

# The README's two commands, the first fed a number.
echo "chroot.sh: the README's commands in $release" >&2
in_root 'echo 5 | { cmake --preset default && cmake --build --preset default && { build/more_zero; echo "status $?"; }; }' \
	>"$root/log" 2>&1 || true
tail -n 1 "$root/log"
# The prompt has no line end.
grep -q 'status 0$' "$root/log" || { cat "$root/log"; exit 1; }
in_root 'cmake --workflow --preset default'
# Then every row of the cases, with the tools a minimal root lacks for some.
echo "chroot.sh: every case in $release" >&2
apt perl strace util-linux bsdutils
in_root 'sh tests/run.sh build/more_zero'

echo "chroot.sh: the benchmark in $release, with lld" >&2
apt lld gdb valgrind time binutils gcc
for link in static static-pie; do
	in_root "cmake -S . -B build-$link -DCMAKE_BUILD_TYPE=Release -DMORE_ZERO_LINK=$link >/dev/null &&
		cmake --build build-$link >/dev/null && sh bench/startup.sh build-$link/more_zero"
done
