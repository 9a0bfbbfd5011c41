#!/bin/sh
# Runs each row of cases.sh whose description holds PATTERN, of GROUP or of
# every group, and checks the exit status of the row's command, that standard output
# holds the prompt once a run and nothing else, that standard error stays
# empty, and, where INPUT has a '|', that what follows the last one is
# what the command found left for the next reader. A program built for
# another processor runs under EMULATOR. With COUNTS, a folder, the counts
# are kept there too, a file a group, and --total adds them up: CTest runs
# each group as a test, and the total last.
#
#   [EMULATOR=qemu-aarch64] [COUNTS=DIR] run.sh [-g GROUP] PROGRAM [PATTERN]
#   run.sh --total DIR
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1-}" = --total ]; then
	cat "${2:?usage: run.sh --total DIR}"/* 2>/dev/null | awk '
		{ p += $1; f += $2; s += $3; n += $4 }
		END { printf "%d passed, %d failed, %d skipped, %d not run here\n", p, f, s, n
			exit f ? 1 : s ? 77 : 0 }'
	exit
fi
only=''
if [ "${1-}" = -g ]; then
	only=${2:?usage: run.sh [-g GROUP] PROGRAM [PATTERN]}
	shift 2
fi
prog=${1:?usage: run.sh [-g GROUP] PROGRAM [PATTERN]} pattern=${2-}
case $prog in /*) ;; *) prog=$(pwd)/$prog ;; esac
tmp=$(mktemp -d) || exit 1
[ -n "${KEEP-}" ] || trap 'rm -rf "$tmp"' EXIT

# A limit set for the program holds for an emulator, a sanitizer's runtime
# and the dynamic loader too, which need descriptors and memory of their
# own. strace would hold up the emulator's calls, not the program's, and
# LeakSanitizer stops the program with ptrace, which strace holds already.
unlimited='' untraced='' loaded=''
if [ -n "${EMULATOR-}" ]; then
	unlimited='an emulated program' untraced=$unlimited
elif grep -q __asan_init "$prog"; then
	unlimited='a sanitized program' untraced=$unlimited
elif ! command -v readelf >/dev/null; then
	unlimited='a program whose link is unknown (no readelf)'
elif readelf -l "$prog" 2>/dev/null | grep -q INTERP; then
	unlimited='a dynamically linked program'
	# Whose loader's reads a fault in read would count.
	loaded=$unlimited
fi

# $P, the program as the rows run it: killed after 10 s, after the shell
# commands in UNDER, under strace with the fault in INJECT where it is set,
# and, under METER, failing the row where it used more than a quarter of a
# second of CPU time, which only a spin does. Its process number is left
# in $tmp/pid.
cat >"$tmp/run" <<EOF
#!/bin/sh
echo \$\$ >"$tmp/pid"
eval "\$UNDER"
[ -n "\${INJECT-}" ] && exec strace -o /dev/null -e inject="\$INJECT" ${EMULATOR-} "$prog" "\$@"
exec ${EMULATOR-} "$prog" "\$@"
EOF
cat >"$tmp/P" <<EOF
#!/bin/sh
[ -z "\$METER" ] && exec timeout --foreground -s KILL 10 "$tmp/run" "\$@"
timeout --foreground -s KILL 10 "$tmp/run" "\$@"
set -- \$?
# In a pipeline, times would count the children of a subshell.
times >"$tmp/times"
awk 'NR == 2 { split(\$1, u, /[ms]/); split(\$2, s, /[ms]/)
	if (u[1] * 60 + u[2] + s[1] * 60 + s[2] > 0.25) print "spun: " \$0 }' "$tmp/times" >>"$tmp/spun"
exit "\$1"
EOF
chmod +x "$tmp/run" "$tmp/P"
P=$tmp/P
export P UNDER METER
prompt='give a number:'
passed=0 failed=0 skipped=0 inapplicable=0

# t STATUS INPUT DESCRIPTION [COMMAND]
# COMMAND, by default a pipe from feed to the program and the rest after
# it, runs in this shell with standard output and error kept; STATUS holds
# one digit for each run of the program. INPUT takes printf %b escapes;
# '|' and '^' divide it into the parts that a helper writes one at a time.
# A command that sets out= sends the program's output elsewhere, and one
# that exits with 77 is skipped for the reason it gives on standard error,
# or not run where that reason starts "not for".
t() {
	want=$1 input=$2 desc=$3 command=${4:-'feed | { "$P"; left; }'}
	[ -z "$only" ] || [ "$only" = "$group" ] || return
	case $desc in *$pattern*) ;; *) return ;; esac
	case $command in
	*'ulimit -'[nvd]*) [ -n "$unlimited" ] && { not_here "$unlimited"; return; } ;;
	esac
	case $command in
	*inject*|*reader*|*steal*) [ -n "$untraced" ] && { not_here "$untraced"; return; } ;;
	*closed*) [ -n "${EMULATOR-}" ] && { not_here 'an emulator, which opens descriptors of its own'; return; } ;;
	esac
	case $command in
	*'inject read:'*|*'inject=read:'*) [ -n "$loaded" ] && { not_here "$loaded, whose loader reads too"; return; } ;;
	esac
	out=$(for _ in $(seq ${#want}); do printf %s "$prompt"; done)
	UNDER='' METER=''
	rm -f "$tmp/rest" "$tmp/status" "$tmp/spun"
	eval "$command" >"$tmp/out" 2>"$tmp/err" </dev/null
	got=$?
	[ -s "$tmp/status" ] && got=$(cat "$tmp/status")
	if [ "$got" = 77 ]; then
		case $(cat "$tmp/err") in
		'not for '*) not_here "$(sed 's/^not for //' "$tmp/err")" ;;
		*) skip "$(cat "$tmp/err")" ;;
		esac
		return
	fi
	why=''
	[ "$got" = "$want" ] || why="status $got, not $want"
	case $out in
	'') ;;
	head) [ "$(head -c 14 "$tmp/out")" = "$prompt" ] || why="$why; output '$(cat "$tmp/out")'" ;;
	*) printf %s "$out" | cmp -s - "$tmp/out" || why="$why; output '$(cat "$tmp/out")'" ;;
	esac
	case $input in
	*'|'*) printf '%b' "${input##*|}" | tr -d '^' | cmp -s - "$tmp/rest" ||
		why="$why; left '$(head -c 80 "$tmp/rest" 2>/dev/null)'" ;;
	esac
	[ -s "$tmp/err" ] && why="$why; stderr '$(cat "$tmp/err")'"
	[ -s "$tmp/spun" ] && why="$why; $(cat "$tmp/spun")"
	if [ -z "$why" ]; then
		passed=$((passed + 1))
	else
		failed=$((failed + 1))
		printf 'FAIL %s: %s\n' "$desc" "${why#; }"
	fi
}

group() { group=$1; }

not_here() {
	inapplicable=$((inapplicable + 1))
	printf 'NOT RUN %s: not for %s\n' "$desc" "$1"
}

skip() {
	skipped=$((skipped + 1))
	printf 'SKIP %s: %s\n' "$desc" "$1"
}

# The helpers of the rows' commands.

need() {
	command -v "$1" >/dev/null && return
	echo "no $1" >&2
	return 77
}

# The whole input, without the marks.
feed() { printf '%b' "$input" | tr -d '|^'; }

# Keeps standard input as the rest, and the status of the command before.
left() {
	set -- $?
	cat >"$tmp/rest"
	return "$1"
}

under() { UNDER=$*; }

meter() { METER=1; }

# inject FAULT: runs the program under strace, with FAULT injected.
inject() {
	need strace || return
	INJECT=$1 "$P"
}

# Runs COMMAND with standard output a pipe whose reader has gone.
gone() {
	rm -f "$tmp/sig"; mkfifo "$tmp/sig"
	{ read -r _ <"$tmp/sig"; "$@"; echo $? >"$tmp/status"; } | { exec <&-; : >"$tmp/sig"; }
}

# Runs the program on a non-blocking standard input, and checks that its
# flags are as they were afterwards.
nonblocking() {
	need perl || return
	perl -MFcntl -e '
		fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK);
		system @ARGV;
		print STDERR "O_NONBLOCK cleared\n" unless fcntl(STDIN, F_GETFL, 0) & O_NONBLOCK;
		exit($? & 127 ? 128 + ($? & 127) : $? >> 8)' "$P"
}

# typed PAUSE [COMMAND...]: runs COMMAND, by default the program, with input
# on a FIFO that stays open, and output on a FIFO that must get the prompt
# before the input is written, PAUSE seconds after it: time for a read that
# does not wait to end the run with the wrong answer. The parts of the input
# come a hundredth of a second apart, as a paste may. Then $after, if set,
# is run. What is left in the input FIFO is the rest.
typed() {
	need perl || return
	pause=$1
	shift
	[ $# = 0 ] && set -- "$P"
	rm -f "$tmp/in" "$tmp/to"; mkfifo "$tmp/in" "$tmp/to"
	"$@" <"$tmp/in" >"$tmp/to" &
	pid=$!
	exec 3>"$tmp/in" 4<"$tmp/to"
	timeout 10 head -c 14 <&4
	[ -n "${after-}" ] && calls=$(sed -n 's/^syscr: //p' "/proc/$(cat "$tmp/pid")/io")
	sleep "$pause"
	printf '%b' "$input" | tr -d '|' | perl -e '$| = 1; local $/; my @parts = split /\^/, <STDIN>, -1;
		print shift @parts; for (@parts) { select(undef, undef, undef, 0.01); print }' >&3
	[ -n "${after-}" ] && $after
	wait "$pid"
	set -- $?
	exec 5<"$tmp/in" 3>&-
	cat <&4
	cat <&5 >"$tmp/rest"
	exec 4<&- 5<&-
	return "$1"
}

# tty SETTINGS [PAUSE] [hangup]: runs the program on a terminal set by stty
# SETTINGS, typed PAUSE seconds (0.2 by default) after the prompt, leaving
# time for the echo of stty to pass. The rest is what a reader after it
# takes until half a second passes with nothing more. The status is written
# by the shell inside, which outlives a hangup.
tty() {
	need script || return
	out='head'
	rm -f "$tmp/status.script"
	[ "${3-}" = hangup ] && after=hangup
	export S="$1" R="$tmp/tty.rest" T="$tmp/status"
	typed "${2:-0.2}" timeout 10 \
		script -qec 'echo $PPID >"$T.script"; stty $S; trap "" HUP
			"$P"; set -- $?
			stty -icanon min 0 time 5; cat >"$R"; echo $1 >"$T"' /dev/null 2>/dev/null
	after=''
	for _ in $(seq 100); do [ -s "$tmp/status" ] && break; sleep 0.1; done
	mv "$tmp/tty.rest" "$tmp/rest" 2>/dev/null
}

# Hangs up the terminal once the program has read what was typed: its read
# calls since the prompt went up by two (the answer, then nothing typed),
# and it waits in poll.
hangup() {
	program=$(cat "$tmp/pid")
	for _ in $(seq 200); do
		now=$(sed -n 's/^syscr: //p' "/proc/$program/io")
		[ "${now:-0}" -ge $((calls + 2)) ] && grep -q poll "/proc/$program/wchan" && break
		sleep 0.05
	done
	kill -KILL "$(cat "$tmp/status.script")"
}

# peer KIND [OPTION...]: runs the program with standard input one end of a
# KIND, whose other end writes each part of INPUT before the run: a Unix
# socketpair of type stream, dgram or seqpacket; udp, a connected pair on
# loopback whose earlier datagram drew "port unreachable", or with icmp=N
# an ICMP "destination unreachable" of code N; tcp, a connection on
# loopback; netlink, a NETLINK_USERSOCK socket; pipe, or fifo; file, a
# file of the parts; an eventfd, whose count is the last part; pty, a
# pty's master written by its slave. Options: peekoff=N sets SO_PEEK_OFF,
# rcvlowat=N SO_RCVLOWAT, sndbuf=N the peer's send buffer, nonblock
# O_NONBLOCK, recverr IP_RECVERR; late writes the parts half a second after
# the program has begun to wait, split each once the one before has been
# taken; direct makes the writer of a pipe write packets, direct=N from
# its Nth part on, or opens a file with O_DIRECT; room=N makes a pipe hold
# N bytes; seek=N starts a file N bytes in, size=N makes it sparse up
# to N bytes; reset hangs up the peer with something unread, disconnect
# dissolves a datagram pair, overrun overruns a netlink socket, oob queues
# an out-of-band byte first; packet sets a pty's packet mode; closed runs
# the program with standard output and error closed, and fails the row
# where either is open while it waits; inject=FAULT runs it under strace
# with FAULT; reader starts a second reader that takes one message once
# strace has let the program's first receive return, and holds the program
# there; steal starts one that takes what is queued once the first look
# has returned, and writes the parts after the first once the program has
# ended. What the next reader gets after the run is the rest.
peer() {
	need perl || return
	case " $* " in *' reader '*|*' steal '*|*' inject='*) need strace || return ;; esac
	rm -f "$tmp/fifo" "$tmp/pid"
	kind=$1
	shift
	printf '%b' "$input" | R=$tmp/rest F=$tmp/fifo PIDFILE=$tmp/pid perl "$here/peer.pl" "$kind" "$*" "$P"
}

. "$here/cases.sh"

printf '%d passed, %d failed, %d skipped, %d not run here\n' "$passed" "$failed" "$skipped" "$inapplicable"
[ -n "${COUNTS-}" ] && mkdir -p "$COUNTS" &&
	echo "$passed $failed $skipped $inapplicable" >"$COUNTS/${only:-all}"
[ "$failed" = 0 ] || exit 1
# A group whose rows were all skipped is skipped; the total counts each.
[ "$passed" != 0 ] || [ "$skipped" = 0 ] || exit 77
