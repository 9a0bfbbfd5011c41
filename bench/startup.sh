#!/bin/sh
# Measures one whole run of the built program beside a static C floor: wall
# time, minor faults and peak resident memory per run, the first two also for
# the same source linked without the order file and the layout script, and
# for input from a pipe, faults again with glibc made to pick the string
# functions of processors without AVX-512 or AVX2, instructions under
# callgrind, and how fast white space before the number is skipped, from a
# file and through a pipe. Given a REFERENCE, another build of the program,
# runs it too in the same rounds, and prints its figures beside. Fails only
# when it cannot measure.
#
#   sh bench/startup.sh [PROGRAM [REFERENCE]]
prog=${1:-build/more_zero} ref=${2-}
here=$(dirname "$0")
rounds=${ROUNDS:-9} runs=${RUNS:-1000}
for tool in valgrind /usr/bin/time cc readelf cmake; do
	command -v "$tool" >/dev/null || { echo "startup.sh: $tool not found" >&2; exit 1; }
done
for p in "$prog" ${ref:+"$ref"}; do
	[ -x "$p" ] || { echo "startup.sh: $p: no such program; build it first" >&2; exit 1; }
done
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
set -e

cc -O2 -static -o "$tmp/floor" "$here/floor.c"
cc -O2 -o "$tmp/spawn" "$here/spawn.c"

# The goals are the static link's: within 3 % of the floor's wall time and
# 1.2 faults above it, a fault more from glibc 2.37 on, whose start-up
# touches more; a static PIE relocates itself at start and is allowed more.
if readelf -l "$prog" | grep -q INTERP; then link=dynamic wall='' faults='' ratio=''
elif readelf -h "$prog" | grep -q 'DYN '; then link=static-pie wall=1.12 faults=9 ratio=''
else
	link=static wall=1.03 faults=1.2 ratio=2.5
	getconf GNU_LIBC_VERSION | awk '{ split($2, v, "."); exit !(v[1] > 2 || v[2] > 36) }' && faults=2.2
fi

# The same source, linked the same way without the order file and the
# layout script, with the compiler the build used (CXX).
cmake -S "$here/.." -B "$tmp/unordered" -DMORE_ZERO_LAYOUT=OFF -DMORE_ZERO_LINK="$link" \
	-DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/unordered" --target more_zero >/dev/null
unordered=$tmp/unordered/more_zero

printf '5\n' >"$tmp/five"
{ head -c 67108864 /dev/zero | tr '\0' ' '; printf '5\n'; } >"$tmp/blanks"

instructions() {
	valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" <"$tmp/five" 2>&1 >/dev/null |
		sed -n 's/.*Collected : *//p'
}
# Peak resident set in KiB, for the input in file $2: the median of five,
# each from a small parent, since a child of a big one can report the
# parent's pages.
peak() {
	for _ in 1 2 3 4 5; do
		/usr/bin/time -f %M "$1" <"$2" 2>&1 >/dev/null
	done | sort -n | sed -n 3p
}
# One run's time in ns, of program $1 reading file $2 directly or, with
# $3 = pipe, through a pipe.
timed() {
	start=$(date +%s%N)
	if [ "$3" = pipe ]; then cat "$2" | "$1"; else "$1" <"$2"; fi >/dev/null || true
	echo $(($(date +%s%N) - start))
}
# The blanks, three times over, the program and the reference in turn:
# the shortest of each, as "file pipe [reference-file reference-pipe]".
blanks() {
	for _ in 1 2 3; do
		for p in "$prog" ${ref:+"$ref"}; do
			echo "$(timed "$p" "$tmp/blanks") $(timed "$p" "$tmp/blanks" pipe)"
		done | paste -sd' '
	done | awk '{ for (i = 1; i <= NF; i++) if (NR == 1 || $i < m[i]) m[i] = $i }
		END { for (i = 1; i <= NF; i++) printf "%s%s", m[i], i < NF ? " " : "\n" }'
}

# Functions a run enters, in each of the three settings, that the order
# file lacks: each costs a page of its own, so a stale layout shows here.
if command -v gdb >/dev/null; then
	sh "$here/../layout/order.sh" --trace "$prog" >"$tmp/trace"
	lacking=$(for part in 1 2 3; do
		awk -v part=$part 'FILENAME != ARGV[2] { listed[$1]; next }
			$1 == part && $2 !~ /^ifunc:/ && !($2 in listed) { n++ } END { print n + 0 }' \
			"$here/../layout/order.txt" "$tmp/trace"
	done | paste -sd/)
else
	lacking='no gdb'
fi

ours=$(instructions "$prog")
floor=$(instructions "$tmp/floor")
[ -n "$ours" ] && [ -n "$floor" ] || { echo "startup.sh: callgrind counted nothing" >&2; exit 1; }

# The machine is shared: the programs take turns, round by round, and only
# the medians count. Input from a file, then from a pipe.
for _ in $(seq "$rounds"); do
	{
		for program in "$tmp/floor" "$prog" "$unordered"; do
			"$tmp/spawn" "$runs" "$tmp/five" "$program"
		done
		for program in "$tmp/floor" "$prog"; do
			"$tmp/spawn" "$runs" "$tmp/five" "$program" pipe
		done
		if [ -n "$ref" ]; then
			"$tmp/spawn" "$runs" "$tmp/five" "$ref"
			"$tmp/spawn" "$runs" "$tmp/five" "$ref" pipe
		fi
	} | paste -sd' '
done >"$tmp/rounds"

# Faults above the floor with the AVX2 and the SSE2 string functions forced:
# a function the order file lacks costs a page of its own.
avx2=glibc.cpu.hwcaps=-AVX512F,-AVX512VL,-AVX512BW,-AVX512DQ
forced() {
	GLIBC_TUNABLES=$1 "$tmp/spawn" $((runs / 5)) "$tmp/five" "$tmp/floor" | cut -d' ' -f2
	GLIBC_TUNABLES=$1 "$tmp/spawn" $((runs / 5)) "$tmp/five" "$prog" | cut -d' ' -f2
}

# glibc reads the environment at start, at some 500 instructions a variable in
# either program, so the ratio is only comparable for environments alike.
awk -v vars="$(env -0 | tr -cd '\0' | wc -c)" -v ours="$ours" -v floor="$floor" \
	-v small="$(peak "$prog" "$tmp/five")" -v floorpeak="$(peak "$tmp/floor" "$tmp/five")" \
	-v big="$(peak "$prog" "$tmp/blanks")" -v blanks="$(blanks)" -v ref="$ref" \
	-v pipepeak="$(cat "$tmp/blanks" | /usr/bin/time -f %M "$prog" 2>&1 >/dev/null)" \
	-v avx2="$(forced "$avx2" | paste -sd' ')" \
	-v sse2="$(forced "$avx2,-AVX2,-AVX_Fast_Unaligned_Load,-SSSE3" | paste -sd' ')" \
	-v lacking="$lacking" -v link="$link" -v wallgoal="$wall" -v faultgoal="$faults" -v ratiogoal="$ratio" \
	-v rounds="$rounds" -v runs="$runs" '
function goal(x) { return x == "" ? "" : "<= " x }
function median(a, n,   i, j, t) {
	for (i = 2; i <= n; i++)
		for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
	return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{
	ratio[NR] = $3 / $1; fns[NR] = $1; ons[NR] = $3; ffl[NR] = $2; ofl[NR] = $4; uratio[NR] = $5 / $1; ufl[NR] = $6
	pratio[NR] = $9 / $7; pfl[NR] = $10 - $8
	if (ref != "") {
		rratio[NR] = $11 / $1; rfl[NR] = $12; rpratio[NR] = $13 / $7; rpfl[NR] = $14 - $8
	}
}
END {
	split(blanks, b); ns = b[1]; pipens = b[2]
	f = "%-40s %12s   %s\n"
	printf f, "measure", "figure", "goal"
	printf f, "link", link, ""
	printf f, "environment variables", vars, ""
	printf f, sprintf("wall per run, median of %d x %d", rounds, runs), sprintf("%.0f us", median(ons, NR) / 1e3), ""
	printf f, "wall per run, static C floor", sprintf("%.0f us", median(fns, NR) / 1e3), ""
	printf f, "wall ratio to the floor, median", sprintf("%.3f", median(ratio, NR)), goal(wallgoal)
	printf f, "minor faults per run", median(ofl, NR), ""
	printf f, "minor faults per run, static C floor", median(ffl, NR), ""
	printf f, "minor faults above the floor", sprintf("%.1f", median(ofl, NR) - median(ffl, NR)), goal(faultgoal)
	printf f, "wall ratio, unordered: no order, no script", sprintf("%.3f", median(uratio, NR)), ""
	printf f, "faults above floor, unordered link", sprintf("%.1f", median(ufl, NR) - median(ffl, NR)), ""
	printf f, "wall ratio to the floor, both from a pipe", sprintf("%.3f", median(pratio, NR)), ""
	printf f, "faults above the floor, both from a pipe", sprintf("%.1f", median(pfl, NR)), ""
	printf f, "wall ratio from a pipe, x from a file", sprintf("%.3f", median(pratio, NR) / median(ratio, NR)), "<= 1.03"
	split(avx2, a); split(sse2, s)
	printf f, "faults above the floor, AVX2 forced", sprintf("%.1f", a[2] - a[1]), goal(faultgoal)
	printf f, "faults above the floor, SSE2 forced", sprintf("%.1f", s[2] - s[1]), goal(faultgoal)
	printf f, "functions not in the order file, 3 ways", lacking, "0/0/0"
	printf f, "peak resident, input 5", sprintf("%.2f MiB", small / 1024), "<= 0.6 MiB"
	printf f, "peak resident, static C floor", sprintf("%.2f MiB", floorpeak / 1024), ""
	printf f, "instructions, one run with input 5", ours, ""
	printf f, "instructions, static C floor", floor, ""
	printf f, "instruction ratio to the floor", sprintf("%.2f", ours / floor), goal(ratiogoal)
	printf f, "peak resident, 64 MiB of blanks first", sprintf("%.2f MiB", big / 1024), "<= 1.6 MiB"
	printf f, "blanks skipped from a file, best of 3", sprintf("%.0f MiB/s", 64e9 / ns), ">= 300 MiB/s"
	printf f, "blanks skipped through a pipe, best of 3", sprintf("%.0f MiB/s", 64e9 / pipens), ""
	printf f, "blanks through a pipe, x the time of a file", sprintf("%.2f", pipens / ns), "<= 5"
	printf f, "peak resident, 64 MiB through a pipe", sprintf("%.2f MiB", pipepeak / 1024), "<= 1.6 MiB"
	if (ref == "")
		exit
	printf f, "reference, same rounds: " ref, "", ""
	printf f, "  wall ratio to the floor, median", sprintf("%.3f", median(rratio, NR)), ""
	printf f, "  minor faults above the floor", sprintf("%.1f", median(rfl, NR) - median(ffl, NR)), ""
	printf f, "  wall ratio to the floor, both from a pipe", sprintf("%.3f", median(rpratio, NR)), ""
	printf f, "  faults above the floor, both from a pipe", sprintf("%.1f", median(rpfl, NR)), ""
	printf f, "  blanks skipped from a file, best of 3", sprintf("%.0f MiB/s", 64e9 / b[3]), ""
	printf f, "  blanks through a pipe, x the time of a file", sprintf("%.2f", b[4] / b[3]), ""
}' "$tmp/rounds"
