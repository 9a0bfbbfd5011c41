#!/bin/sh
# Writes the order in which lld lays out what one run of more_zero uses:
#
#   sh layout/order.sh >layout/order.txt
#
# builds the static link and the static PIE, traces a run of each here and,
# through tests/chroot.sh, in a minimal Debian 13, and merges the traces, so
# that one file fits both links and both glibc releases (names a toolchain
# lacks cost lld nothing).
# The file holds, in this order:
#   - the functions a run enters, in the order it first enters them, but
#     for the variants glibc picks among for the processor;
#   - every variant of each string and memory function the run resolves,
#     from the archive and not the trace, one family after another (AVX-512,
#     EVEX, RTM, AVX2, SSE4, SSSE3, SSE2, ERMS), so that whichever family a
#     processor gets sits together, and every vendor's cache information;
#   - what runs only when GLIBC_TUNABLES is set.
# The program's own code is not named: layout.ld places it by its object.
# The data a run touches is left where it falls: each glibc object keeps its
# variables in one section, so ordering them cannot pack what a run writes,
# and here it cost two or three faults more than it saved.
#
#   sh layout/order.sh --trace PROGRAM >TRACE
#   sh layout/order.sh --merge TRACE... >layout/order.txt
#
# trace one run of PROGRAM, as lines of "PART NAME", and merge traces, the
# first one's names first: traces from other machines can be added so.
# PROGRAM must be the build tree's unstripped binary, beside the object
# CMake compiled it from. Needs gdb with Python,
# nm and readelf; the whole command needs root and debootstrap too.
cd "$(dirname "$0")/.." || exit 1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
set -e

case $1 in
'')
	for preset in default static-pie; do
		cmake --preset $preset >/dev/null && cmake --build --preset $preset >/dev/null || exit 1
	done
	sh "$0" --trace build/more_zero >"$tmp/here"
	sh "$0" --trace build-static-pie/more_zero >"$tmp/pie"
	sh tests/chroot.sh trixie 'apt-get install -y -qq --no-install-recommends lld gdb binutils >/dev/null
		for preset in default static-pie; do
			cmake --preset $preset >/dev/null && cmake --build --preset $preset >/dev/null || exit 1
		done
		sh layout/order.sh --trace build/more_zero && sh layout/order.sh --trace build-static-pie/more_zero' >"$tmp/trixie"
	exec sh "$0" --merge "$tmp/here" "$tmp/trixie" "$tmp/pie" ;;
--merge)
	shift
	for trace; do
		grep -q '^1 ' "$trace" || { echo "order.sh: $trace holds no trace" >&2; exit 1; }
	done
	libc=$(c++ -print-file-name=libc.a)
	nm "$libc" 2>/dev/null | awk '$2 ~ /^[Tt]$/ { print $3 }' | sort -u >"$tmp/archive"
	# Each part in turn, the first trace's names before the next one's.
	cat "$@" | sort -s -k1,1n | awk '
		# The family of a variant __BASE_SUFFIX, for the longest BASE that a
		# run resolves, or 0 for any other name.
		function family(name,   i, b, best, suffix) {
			best = ""
			for (i = 1; i <= bases; i++) {
				b = "__" base[i] "_"
				if (index(name, b) == 1 && length(b) > length(best)) best = b
			}
			if (best == "") return 0
			of[name] = best
			suffix = substr(name, length(best) + 1)
			for (i = 1; i <= families; i++) if (suffix ~ families_[i]) return i
			return 0
		}
		BEGIN { families = split("avx512|evex512 evex rtm avx sse4|sse42 ssse3 sse2 erms", families_, " ") }
		FILENAME != "-" { archive[++names] = $1; inarchive[$1]; next }
		$2 ~ /^ifunc:/ { if (!(($2) in known)) { known[$2]; base[++bases] = substr($2, 7) } next }
		!seen[$2]++ { at[++n] = $2; part[n] = $1 }
		END {
			for (i = 1; i <= n; i++) {
				if (!family(at[i])) {
					if (part[i] == 1) print at[i]
					continue
				}
				used[of[at[i]]]
				# Another release may have variants this archive lacks.
				if (!(at[i] in inarchive)) archive[++names] = at[i]
			}
			for (j = 1; j <= names; j++) fam[j] = family(archive[j])
			for (f = 1; f <= families; f++)
				for (i = 1; i <= bases; i++)
					for (j = 1; j <= names; j++)
						if (fam[j] == f && of[archive[j]] == "__" base[i] "_" && (of[archive[j]] in used) &&
						    !(archive[j] in placed)) {
							placed[archive[j]]; print archive[j]
						}
			for (j = 1; j <= names; j++)
				if (archive[j] ~ /^(handle_(intel|amd|zhaoxin)|intel_check_word|get_common_cache_info|init_cacheinfo)(\.|$)/ &&
				    !(archive[j] in seen))
					print archive[j]
			for (i = 1; i <= n; i++)
				if (part[i] > 1 && !(at[i] in placed) && !family(at[i])) print at[i]
		}' "$tmp/archive" -
	exit ;;
--trace) ;;
*) echo 'usage: order.sh [--trace PROGRAM | --merge TRACE...]' >&2; exit 2 ;;
esac

prog=${2:?usage: order.sh --trace PROGRAM}
for tool in gdb nm readelf; do
	command -v $tool >/dev/null || { echo "order.sh: $tool not found" >&2; exit 1; }
done
obj=$(dirname "$prog")/CMakeFiles/more_zero.dir/src/more_zero.cpp.o
[ -f "$obj" ] || { echo "order.sh: no $obj: PROGRAM must lie in its build tree" >&2; exit 1; }
nm --defined-only "$obj" | awk '{ print $3 }' >"$tmp/own"
printf '5\n' >"$tmp/five"
entry=$(readelf -h "$prog" | awk '/Entry point/ { print $NF }')
nm -n --defined-only "$prog" | awk '$2 ~ /^[tTwWi]$/ { print $1, $3 }' >"$tmp/syms"
# The resolved functions, whose variants the merge adds from the archive.
nm "$prog" | awk '$2 == "i" { print "1 ifunc:" $3 } $3 ~ /._ifunc$/ { sub(/_ifunc$/, "", $3); print "1 ifunc:" $3 }'
cat >"$tmp/trace.py" <<PY
import gdb
import os

# Every name at an address, so that one of them names the input section.
names = {}
for line in open("$tmp/syms"):
    addr, name = line.split()
    names.setdefault(int(addr, 16), []).append(name)
out = open(os.environ["OUT"], "w")

def enter():
    pc = int(gdb.parse_and_eval("\$pc")) - base
    for name in names.pop(pc, []):
        out.write(name + "\n")

gdb.execute("set pagination off")
gdb.execute("unset environment")
if os.environ["TUNABLES"]:
    gdb.execute("set environment GLIBC_TUNABLES=" + os.environ["TUNABLES"])
gdb.execute("starti <$tmp/five >/dev/null")
# A static PIE runs where it was loaded: it starts at its entry point.
base = int(gdb.parse_and_eval("\$pc")) - $entry
enter()
for addr in names:
    gdb.Breakpoint("*%#x" % (addr + base), internal=True, temporary=True)
while gdb.selected_inferior().pid:
    gdb.execute("continue", to_string=True)
    if gdb.selected_inferior().pid:
        enter()
out.close()
PY
# This processor's own choice, then AVX2 and SSE2, as on processors without
# AVX-512 or without AVX2 (glibc ignores what a processor lacks): parts 1,
# 2 and 3. The variants among them the merge moves to their families.
avx2=glibc.cpu.hwcaps=-AVX512F,-AVX512VL,-AVX512BW,-AVX512DQ
n=1
for tunables in '' "$avx2" "$avx2,-AVX2,-AVX_Fast_Unaligned_Load,-SSSE3"; do
	OUT=$tmp/order TUNABLES=$tunables gdb -batch -nx -x "$tmp/trace.py" "$prog" >/dev/null
	awk -v n=$n 'FILENAME != "-" { own[$1]; next } !($1 in own) { print n, $1 }' "$tmp/own" - <"$tmp/order"
	n=$((n + 1))
done
