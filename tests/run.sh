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
printf 'give a number:give a number:give a number:' >"$tmp/prompt3"
passed=0 failed=0 skipped=0

# t MODE STATUS INPUT DESCRIPTION
# INPUT takes printf %b escapes. MODE says how the program is run:
#   pipe    input on a pipe, output to a file
#   args    the same, with arguments that must change nothing
#   file    input from a file; what follows the '|' in INPUT must be left
#           there for whoever reads the file next
#   rest    the same, from a pipe
#   thrice  three runs in a row on one pipe; STATUS holds their three statuses
#   open    input on a pipe that stays open, output on a pipe that must get
#           the prompt before the input is written
#   late    the same, with the input pipe non-blocking; its flags must be as
#           they were after the run
#   tty     the same, on a terminal; INPUT is typed after the prompt, and
#           what follows its '|' must be left for the next reader
#   raw     the same, on a raw terminal
#   dgram   input on a datagram socket, one message each side of the '|';
#           the second must be left for the next reader
#   gone    output on a pipe whose reader has gone
#   full    output to a full disk
#   fsize   output to a file, under a file size limit of 0
#   closed  output closed
t() {
	mode=$1 want=$2 input=$3 desc=$4
	case $mode in late|dgram) tool=perl ;; tty|raw) tool=script ;; *) tool=sh ;; esac
	if ! command -v $tool >/dev/null; then
		skipped=$((skipped + 1))
		printf 'SKIP %s: no %s\n' "$desc" $tool
		return
	fi
	case $mode in
	pipe) printf '%b' "$input" | "$prog" >"$tmp/out" 2>"$tmp/err" ;;
	args) printf '%b' "$input" | "$prog" 7 --help -x >"$tmp/out" 2>"$tmp/err" ;;
	file) printf '%b' "${input%%|*}${input#*|}" >"$tmp/file"; then_rest <"$tmp/file" ;;
	rest) printf '%b' "${input%%|*}${input#*|}" | then_rest ;;
	thrice)
		: >"$tmp/out"; : >"$tmp/err"
		printf '%b' "$input" | for _ in 1 2 3; do "$prog" >>"$tmp/out" 2>>"$tmp/err"; printf %s $?; done >"$tmp/status" ;;
	open|late|tty|raw) run_open ;;
	dgram)
		printf '%b' "$input" | R=$tmp/rest perl -MSocket -e '
			local $/; my @messages = split /\|/, <STDIN>, -1;
			socketpair(my $in, my $peer, AF_UNIX, SOCK_DGRAM, 0) or die $!;
			send($peer, $_, 0) for @messages;
			open STDIN, "<&", $in or die $!;
			system @ARGV;
			my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
			recv($in, my $rest, 8192, MSG_DONTWAIT);
			open my $f, ">", $ENV{R} or die $!;
			print $f $rest // "";
			exit $status' timeout 10 "$prog" >"$tmp/out" 2>"$tmp/err" ;;
	gone)
		rm -f "$tmp/sig"; mkfifo "$tmp/sig"
		{ read -r _ <"$tmp/sig"; printf '%b' "$input" | "$prog" 2>"$tmp/err"; echo $? >"$tmp/status"; } |
			{ exec <&-; : >"$tmp/sig"; }
		(exit "$(cat "$tmp/status")") ;;
	full) printf '%b' "$input" | "$prog" >/dev/full 2>"$tmp/err" ;;
	fsize) printf '%b' "$input" | (ulimit -f 0 && exec "$prog" >"$tmp/out" 2>"$tmp/err") ;;
	closed) printf '%b' "$input" | "$prog" >&- 2>"$tmp/err" ;;
	esac
	got=$?
	[ "$mode" = thrice ] && got=$(cat "$tmp/status")
	why=
	[ "$got" = "$want" ] || why="status $got, not $want"
	case $mode in
	pipe|args|file|rest|open|late|dgram) cmp -s "$tmp/out" "$tmp/prompt" || why="$why; output '$(cat "$tmp/out")'" ;;
	thrice) cmp -s "$tmp/out" "$tmp/prompt3" || why="$why; output '$(cat "$tmp/out")'" ;;
	tty|raw) cmp -s -n 14 "$tmp/out" "$tmp/prompt" || why="$why; output '$(cat "$tmp/out")'" ;;
	esac
	case $mode in
	file|rest|tty|raw|dgram)
		printf '%b' "${input#*|}" | cmp -s - "$tmp/rest" || why="$why; left '$(cat "$tmp/rest")'" ;;
	esac
	[ -s "$tmp/err" ] && why="$why; stderr '$(cat "$tmp/err")'"
	if [ -z "$why" ]; then
		passed=$((passed + 1))
	else
		failed=$((failed + 1))
		printf 'FAIL %s: %s\n' "$desc" "${why#; }"
	fi
}

then_rest() {
	"$prog" >"$tmp/out" 2>"$tmp/err"
	set -- $?
	cat >"$tmp/rest"
	return "$1"
}

# Bounded by timeouts so that a prompt held back, or a read that waits for
# the end of input, fails the row instead of hanging the suite.
run_open() {
	rm -f "$tmp/in" "$tmp/pipe"; mkfifo "$tmp/in" "$tmp/pipe"
	case $mode in
	open) timeout 10 "$prog" ;;
	late)
		timeout 10 perl -MFcntl -e 'fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK); exec @ARGV' "$prog"
		set -- $?
		perl -MFcntl -e 'exit !(fcntl(STDIN, F_GETFL, 0) & O_NONBLOCK)' || echo 'O_NONBLOCK cleared' >&2
		exit "$1" ;;
	tty|raw)
		# What is left is taken until half a second passes with nothing more.
		[ "$mode" = raw ] && S='raw -echo' || S=sane
		P=$prog R=$tmp/rest S=$S timeout 10 \
			script -qec 'stty $S; "$P"; s=$?; stty -icanon min 0 time 5; cat >"$R"; exit $s' /dev/null ;;
	esac <"$tmp/in" >"$tmp/pipe" 2>"$tmp/err" &
	pid=$!
	exec 3>"$tmp/in" 4<"$tmp/pipe"
	timeout 10 head -c 14 <&4 >"$tmp/out"
	# Time for a read that does not wait to end the run with the wrong answer.
	[ "$mode" = open ] || sleep 0.2
	(printf '%b' "${input%%|*}${input#*|}" >&3)
	wait "$pid"
	set -- $?
	cat <&4 >>"$tmp/out"
	exec 3>&- 4<&-
	return "$1"
}

. "$(dirname "$0")/cases.sh"

printf '%d passed, %d failed, %d skipped\n' "$passed" "$failed" "$skipped"
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || exit 77
