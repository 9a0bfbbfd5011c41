#!/bin/sh
# Packs the source archive of the commit checked out in SOURCE, as
# OUT/NAME.tar.xz with a SHA-256 checksum file beside it. git gives the
# tracked files alone, in its own sorted order, with modes 0644 and 0755,
# owner root and the commit's time, so every clone of a commit packs the
# same archive to the byte, whatever its umask or untracked files.
#
#   sh packaging/dist.sh SOURCE NAME OUT
source=${1:?usage: dist.sh SOURCE NAME OUT} name=${2:?} out=${3:?}
for tool in git xz sha256sum; do
	command -v $tool >/dev/null || { echo "dist.sh: the source archive is packed with $tool: install it" >&2; exit 1; }
done
source=$(cd "$source" && pwd -P) || exit 1
if [ "$(git -C "$source" rev-parse --show-toplevel 2>/dev/null)" != "$source" ]; then
	echo "dist.sh: $source is not the top of a git checkout: pack the archive in a clone" >&2
	exit 1
fi
set -e
# One xz thread: more would cut the archive into blocks differently.
git -C "$source" -c tar.umask=022 archive --format=tar --prefix="$name/" HEAD | xz -9 -T1 -c >"$out/$name.tar.xz"
(cd "$out" && sha256sum "$name.tar.xz" >"$name.tar.xz.sha256")
echo "Packed $out/$name.tar.xz"
