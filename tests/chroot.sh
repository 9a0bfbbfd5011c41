#!/bin/sh
# Runs COMMAND in a minimal Debian root of RELEASE, made with debootstrap
# --variant=minbase from the mirror this machine's apt sources name, with
# nothing but the README's prerequisites (g++, cmake, make) and a copy of
# the working tree, as git would commit it now, in /src. COMMAND runs as
# root under sh -e in /src, and may apt-get install what it needs. CI runs
# the README's commands and the benchmark so, and layout/order.sh its
# traces. Needs root, debootstrap, unshare and git; where one is missing,
# says so and exits with 77.
#
#   sh tests/chroot.sh RELEASE COMMAND
release=${1:?usage: chroot.sh RELEASE COMMAND} command=${2:?usage: chroot.sh RELEASE COMMAND}
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
mkdir "$root/src"
git -C "$src" ls-files -z --cached --others --exclude-standard |
	(cd "$src" && xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$root/src"

unshare --mount --propagation private sh -c '
	mount --rbind /dev "$0/dev" && mount -t proc proc "$0/proc" &&
	exec env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
		DEBIAN_FRONTEND=noninteractive chroot "$0" sh -ec "cd /src; $1"' "$root" "$command"
