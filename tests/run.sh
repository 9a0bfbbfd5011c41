#!/bin/sh
# Runs the program once for each row of cases.sh and checks its exit status,
# that standard output holds the prompt and nothing else, and that standard
# error stays empty. A program built for another processor is run through
# the EMULATOR command given after it.
prog=${1:?usage: run.sh PROGRAM [EMULATOR...]}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
if [ $# -gt 1 ]; then
	shift
	printf '#!/bin/sh\nexec' >"$tmp/emulated"
	printf " '%s'" "$@" "$prog" >>"$tmp/emulated"
	printf ' "$@"\n' >>"$tmp/emulated"
	chmod +x "$tmp/emulated"
	prog=$tmp/emulated
fi
printf 'give a number:' >"$tmp/prompt"
printf 'give a number:give a number:give a number:' >"$tmp/thrice"
passed=0 failed=0 skipped=0

# t MODE STATUS INPUT DESCRIPTION
# INPUT takes printf %b escapes; where a mode leaves a rest, what follows the
# '|' in INPUT must be left for the next reader. Each mode is one clause of
# the case below; out= says what standard output must hold (the prompt,
# thrice the prompt, the prompt first, or anything), rest=1 that the rest
# is checked.
t() {
	mode=$1 want=$2 input=$3 desc=$4 out=prompt rest='' got=''
	: >"$tmp/out"; : >"$tmp/err"; : >"$tmp/rest"
	case $mode in
	# input on a pipe, output to a file; with arguments that change nothing
	pipe) feed | "$prog" >"$tmp/out" 2>"$tmp/err" ;;
	args) feed | "$prog" 7 --help -x >"$tmp/out" 2>"$tmp/err" ;;
	# input from a file, and from a pipe, whose rest is read after the run
	file) rest=1; feed >"$tmp/file"; then_rest <"$tmp/file" ;;
	rest) rest=1; feed | then_rest ;;
	# three runs in a row on one pipe; STATUS holds their three statuses
	thrice)
		out=thrice
		got=$(feed | for _ in 1 2 3; do "$prog" >>"$tmp/out" 2>>"$tmp/err"; printf %s $?; done) ;;
	# input on a pipe that stays open, and the same non-blocking, whose flags
	# must be as they were after the run
	open) on_pipes timeout 10 "$prog" ;;
	late) need perl || return; on_pipes nonblocking ;;
	# a terminal in line mode: as set by stty sane, with a carriage return
	# that is a plain character, with a comma that ends a line; and raw,
	# with VMIN 1 and with VMIN 0
	tty) need script || return; out=head rest=1; on_tty sane ;;
	crlit) need script || return; out=head rest=1; on_tty 'sane -icrnl' ;;
	eol) need script || return; out=head rest=1; on_tty 'sane eol ,' ;;
	raw) need script || return; out=head rest=1; on_tty 'raw -echo' ;;
	raw0) need script || return; out=head rest=1; on_tty 'raw -echo min 0' ;;
	# a socketpair of each type; a message each side of the '|'
	stream) need perl || return; rest=1; on_socket SOCK_STREAM ;;
	dgram) need perl || return; rest=1; on_socket SOCK_DGRAM ;;
	seqpacket) need perl || return; rest=1; on_socket SOCK_SEQPACKET ;;
	# output on a pipe whose reader has gone, to a full disk, to a file under
	# a file size limit of 0, and closed
	gone)
		out=
		rm -f "$tmp/sig"; mkfifo "$tmp/sig"
		{ read -r _ <"$tmp/sig"; feed | "$prog" 2>"$tmp/err"; echo $? >"$tmp/status"; } |
			{ exec <&-; : >"$tmp/sig"; }
		got=$(cat "$tmp/status") ;;
	full) out=; feed | "$prog" >/dev/full 2>"$tmp/err" ;;
	fsize) out=; feed | (ulimit -f 0 && exec "$prog" >"$tmp/out" 2>"$tmp/err") ;;
	closed) out=; feed | "$prog" >&- 2>"$tmp/err" ;;
	*) echo "run.sh: no mode $mode" >&2; exit 2 ;;
	esac
	got=${got:-$?}
	why=
	[ "$got" = "$want" ] || why="status $got, not $want"
	case $out in
	prompt|thrice) cmp -s "$tmp/out" "$tmp/$out" || why="$why; output '$(cat "$tmp/out")'" ;;
	head) cmp -s -n 14 "$tmp/out" "$tmp/prompt" || why="$why; output '$(cat "$tmp/out")'" ;;
	esac
	if [ -n "$rest" ]; then
		printf '%b' "${input#*|}" | cmp -s - "$tmp/rest" || why="$why; left '$(cat "$tmp/rest")'"
	fi
	[ -s "$tmp/err" ] && why="$why; stderr '$(cat "$tmp/err")'"
	if [ -z "$why" ]; then
		passed=$((passed + 1))
	else
		failed=$((failed + 1))
		printf 'FAIL %s: %s\n' "$desc" "${why#; }"
	fi
}

# The whole input, without the '|'.
feed() { printf '%b' "${input%%|*}${input#*|}"; }

need() {
	command -v "$1" >/dev/null && return
	skipped=$((skipped + 1))
	printf 'SKIP %s: no %s\n' "$desc" "$1"
	return 1
}

then_rest() {
	"$prog" >"$tmp/out" 2>"$tmp/err"
	set -- $?
	cat >"$tmp/rest"
	return "$1"
}

# Runs the program on a non-blocking standard input, then checks that its
# flags are as they were.
nonblocking() {
	timeout 10 perl -MFcntl -e 'fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK); exec @ARGV' "$prog"
	set -- $?
	perl -MFcntl -e 'exit !(fcntl(STDIN, F_GETFL, 0) & O_NONBLOCK)' || echo 'O_NONBLOCK cleared' >&2
	return "$1"
}

# Runs COMMAND with input on a FIFO that stays open, and output on a FIFO
# that must get the prompt before the input is written. Bounded by timeouts
# so that a prompt held back, or a read that waits for the end of input,
# fails the row instead of hanging the suite.
on_pipes() {
	rm -f "$tmp/in" "$tmp/pipe"; mkfifo "$tmp/in" "$tmp/pipe"
	"$@" <"$tmp/in" >"$tmp/pipe" 2>"$tmp/err" &
	pid=$!
	exec 3>"$tmp/in" 4<"$tmp/pipe"
	timeout 10 head -c 14 <&4 >"$tmp/out"
	# Time for a read that does not wait to end the run with the wrong answer.
	[ "$mode" = open ] || sleep 0.2
	(feed >&3)
	wait "$pid"
	set -- $?
	cat <&4 >>"$tmp/out"
	exec 3>&- 4<&-
	return "$1"
}

# The same on a terminal set with stty SETTINGS: the input is typed after
# the prompt, and what is left is taken until half a second passes with
# nothing more.
on_tty() {
	P=$prog R=$tmp/rest S=$1 on_pipes timeout 10 \
		script -qec 'stty $S; "$P"; s=$?; stty -icanon min 0 time 5; cat >"$R"; exit $s' /dev/null
}

# Input on a socketpair of TYPE: each part of INPUT is sent as one message,
# and what the next reader gets is read after the run.
on_socket() {
	printf '%b' "$input" | R=$tmp/rest perl -MSocket -e '
		local $/; my @messages = split /\|/, <STDIN>, -1;
		my $type = shift;
		socketpair(my $in, my $peer, AF_UNIX, Socket->$type, 0) or die $!;
		send($peer, $_, 0) for @messages;
		open STDIN, "<&", $in or die $!;
		system @ARGV;
		my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
		my $rest = "";
		$rest .= $_ while defined recv($in, $_, 65536, MSG_DONTWAIT) && length;
		open my $f, ">", $ENV{R} or die $!;
		print $f $rest;
		exit $status' "$1" timeout 10 "$prog" >"$tmp/out" 2>"$tmp/err"
}

. "$(dirname "$0")/cases.sh"

printf '%d passed, %d failed, %d skipped\n' "$passed" "$failed" "$skipped"
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || exit 77
