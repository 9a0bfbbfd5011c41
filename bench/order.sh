#!/bin/sh
# Writes the functions that one run of PROGRAM enters, in the order it first
# enters them, one name a line, for lld's --symbol-ordering-file. PROGRAM
# must be the build tree's unstripped binary. The run is traced under gdb
# with an empty environment and the input 5, so the same binary always
# gives the same list. Needs gdb with Python and nm.
#
#   sh bench/order.sh build/more_zero >src/link-order.txt
prog=${1:?usage: order.sh PROGRAM >ORDER-FILE}
for tool in gdb nm; do
	command -v $tool >/dev/null || { echo "order.sh: $tool not found" >&2; exit 1; }
done
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
set -e

printf '5\n' >"$tmp/five"
nm -n --defined-only "$prog" | awk '$2 ~ /^[tTwWi]$/ { print $1, $3 }' >"$tmp/syms"
cat >"$tmp/trace.py" <<PY
import gdb

# Every name at an address, so that one of them names the input section.
names = {}
for line in open("$tmp/syms"):
    addr, name = line.split()
    names.setdefault(int(addr, 16), []).append(name)
out = open("$tmp/order", "w")

def enter():
    pc = int(gdb.parse_and_eval("\$pc"))
    for name in names.pop(pc, []):
        out.write(name + "\n")

gdb.execute("set pagination off")
gdb.execute("unset environment")
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
gdb -batch -nx -x "$tmp/trace.py" "$prog" >/dev/null
cat "$tmp/order"
