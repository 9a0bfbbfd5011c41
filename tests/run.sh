#!/bin/sh
# Runs the program once for each row of cases.sh and checks its exit status,
# that standard output holds the prompt and nothing else, and that standard
# error stays empty.
prog=${1:?usage: run.sh PROGRAM}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
printf 'give a number:' >"$tmp/prompt"
passed=0 failed=0

# t MODE STATUS INPUT DESCRIPTION
# INPUT takes printf %b escapes. MODE says how the program is run:
#   pipe    input on a pipe, output to a file
#   args    the same, with arguments that must change nothing
#   file    input from a file; what follows the '|' in INPUT must be left
#           there for whoever reads the file next
#   open    input on a pipe that stays open, output on a pipe that must get
#           the prompt before the input is written
#   gone    output on a pipe whose reader has gone
#   full    output to a full disk
#   closed  output closed
t() {
	mode=$1 want=$2 input=$3 desc=$4
	case $mode in
	pipe) printf '%b' "$input" | "$prog" >"$tmp/out" 2>"$tmp/err" ;;
	args) printf '%b' "$input" | "$prog" 7 --help -x >"$tmp/out" 2>"$tmp/err" ;;
	file)
		printf '%b' "${input%%|*}${input#*|}" >"$tmp/file"
		{ "$prog" >"$tmp/out" 2>"$tmp/err"; echo $? >"$tmp/status"; cat >"$tmp/rest"; } <"$tmp/file"
		(exit "$(cat "$tmp/status")") ;;
	open) run_open ;;
	gone)
		rm -f "$tmp/sig"; mkfifo "$tmp/sig"
		{ read -r _ <"$tmp/sig"; printf '%b' "$input" | "$prog" 2>"$tmp/err"; echo $? >"$tmp/status"; } |
			{ exec <&-; : >"$tmp/sig"; }
		(exit "$(cat "$tmp/status")") ;;
	full) printf '%b' "$input" | "$prog" >/dev/full 2>"$tmp/err" ;;
	closed) printf '%b' "$input" | "$prog" >&- 2>"$tmp/err" ;;
	esac
	got=$?
	why=
	[ "$got" = "$want" ] || why="status $got, not $want"
	case $mode in
	pipe|args|file|open) cmp -s "$tmp/out" "$tmp/prompt" || why="$why; output '$(cat "$tmp/out")'" ;;
	esac
	if [ "$mode" = file ]; then
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

# Bounded by timeouts so that a prompt held back, or a read that waits for
# the end of input, fails the row instead of hanging the suite.
run_open() {
	rm -f "$tmp/in" "$tmp/pipe"; mkfifo "$tmp/in" "$tmp/pipe"
	timeout 10 "$prog" <"$tmp/in" >"$tmp/pipe" 2>"$tmp/err" &
	pid=$!
	exec 3>"$tmp/in" 4<"$tmp/pipe"
	timeout 10 head -c 14 <&4 >"$tmp/out"
	printf '%b' "$input" >&3
	wait "$pid"
	set -- $?
	cat <&4 >>"$tmp/out"
	exec 3>&- 4<&-
	return "$1"
}

. "$(dirname "$0")/cases.sh"

printf '%d passed, %d failed\n' "$passed" "$failed"
[ "$failed" = 0 ]
