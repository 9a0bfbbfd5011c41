#!/bin/sh
# Writes the functions that one run of PROGRAM enters, in the order it first
# enters them, one name a line, for lld's --symbol-ordering-file. PROGRAM
# must be the build tree's unstripped binary. The run is traced under gdb
# with an empty environment and the input 5, so the same binary always
# gives the same list. glibc picks its string and memory functions for the
# processor, so the run is traced again with each family of them forced
# (which also sets tunables, whose parsing a plain run skips), and each name
# is kept at its first place. Needs gdb with Python and nm.
#
#   sh cmake/link-order.sh build/more_zero >cmake/link-order.txt
prog=${1:?usage: link-order.sh PROGRAM >ORDER-FILE}
for tool in gdb nm; do
	command -v $tool >/dev/null || { echo "link-order.sh: $tool not found" >&2; exit 1; }
done
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
set -e

printf '5\n' >"$tmp/five"
nm -n --defined-only "$prog" | awk '$2 ~ /^[tTwWi]$/ { print $1, $3 }' >"$tmp/syms"
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
    pc = int(gdb.parse_and_eval("\$pc"))
    for name in names.pop(pc, []):
        out.write(name + "\n")

gdb.execute("set pagination off")
gdb.execute("unset environment")
if os.environ["TUNABLES"]:
    gdb.execute("set environment GLIBC_TUNABLES=" + os.environ["TUNABLES"])
gdb.execute("starti <$tmp/five >/dev/null")
enter()
for addr in names:
    gdb.Breakpoint("*%#x" % addr, internal=True, temporary=True)
while gdb.selected_inferior().pid:
    gdb.execute("continue", to_string=True)
    if gdb.selected_inferior().pid:
        enter()
out.close()
PY
# This processor's own choice, then AVX2 and SSE2, as on processors without
# AVX-512 or without AVX2; glibc ignores what a processor lacks.
avx2=glibc.cpu.hwcaps=-AVX512F,-AVX512VL,-AVX512BW,-AVX512DQ
for tunables in '' "$avx2" "$avx2,-AVX2,-AVX_Fast_Unaligned_Load,-SSSE3"; do
	OUT=$tmp/order TUNABLES=$tunables gdb -batch -nx -x "$tmp/trace.py" "$prog" >/dev/null
	cat "$tmp/order"
done | awk '!seen[$0]++'
