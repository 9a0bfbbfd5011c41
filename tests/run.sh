#!/bin/sh
# Runs the program once for each row of cases.sh and checks its exit status,
# that standard output holds the prompt and nothing else, and that standard
# error stays empty. A program built for another processor is run through
# the EMULATOR command given after it; the rows that set limits or trace the
# program are not run for it, nor for a sanitized program.
prog=${1:?usage: run.sh PROGRAM [EMULATOR...]}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
# A limit set for the program holds for an emulator or a sanitizer's
# runtime too, which need descriptors and memory of their own. strace would
# hold up the emulator's receives, not the program's, and LeakSanitizer
# stops the program with ptrace, which strace holds already.
unlimited='' untraced=''
grep -q __asan_init "$prog" && unlimited='a sanitized program' untraced=$unlimited
if [ $# -gt 1 ]; then
	unlimited='an emulated program' untraced=$unlimited
	shift
	printf '#!/bin/sh\nexec' >"$tmp/emulated"
	printf " '%s'" "$@" "$prog" >>"$tmp/emulated"
	printf ' "$@"\n' >>"$tmp/emulated"
	chmod +x "$tmp/emulated"
	prog=$tmp/emulated
fi
# The program after the row's SHELL commands, in which hangup kills the
# script that holds a terminal's master.
cat >"$tmp/limited" <<'EOF'
#!/bin/sh
hangup() { (sleep 0.7; kill -KILL "$SCRIPT") </dev/null >/dev/null 2>&1 & }
eval "$LIMITS"
exec "$PROG"
EOF
chmod +x "$tmp/limited"
export PROG="$prog"
printf 'give a number:' >"$tmp/prompt"
printf 'give a number:give a number:give a number:' >"$tmp/thrice"
passed=0 failed=0 skipped=0 inapplicable=0

# t MODE STATUS INPUT DESCRIPTION [SETUP]
# INPUT takes printf %b escapes; where a mode leaves a rest, what follows the
# last '|' in INPUT must be left for the next reader. SETUP is SETTINGS; SHELL:
# the mode's settings, and shell commands run before the program, such as a
# ulimit. Each mode is one clause of the case below; out= says what standard
# output must hold (the prompt, thrice the prompt, the prompt first, or
# anything), rest=1 that the rest is checked.
t() {
	mode=$1 want=$2 input=$3 desc=$4 out=prompt rest='' got=''
	settings=${5%%;*} limits=:
	case $5 in *';'*) limits=${5#*;} ;; esac
	export LIMITS="$limits"
	case $limits in *ulimit*) [ -n "$unlimited" ] && { not_here "$unlimited"; return; } ;; esac
	case $settings in *reader*) [ -n "$untraced" ] && { not_here "$untraced"; return; } ;; esac
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
	# input on a pipe that stays open, typed at once, and the same
	# non-blocking and typed late, whose flags must be as they were after
	# the run and whose run must not have spun
	open) on_pipes 0 timeout 10 "$prog" ;;
	late) need perl || return; on_pipes 0.5 nonblocking ;;
	# a terminal set by stty SETTINGS, typed after the prompt; hangup in
	# SHELL hangs it up 0.7 s after the program starts, once it is typed
	tty) need script || return; out=head rest=1; got=$(on_tty 2>/dev/null) ;;
	# a socket of the type SETTINGS names, each part of INPUT one message
	socket)
		need perl || return
		case $settings in *reader*) need strace || return ;; esac
		rest=1; on_socket; got=$?
		[ "$got" = 77 ] && { skip 'no socket on loopback'; return; } ;;
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
		printf '%b' "${input##*|}" | cmp -s - "$tmp/rest" || why="$why; left '$(cat "$tmp/rest")'"
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
feed() { printf '%b' "$input" | tr -d '|'; }

need() {
	command -v "$1" >/dev/null && return
	skip "no $1"
}

not_here() {
	inapplicable=$((inapplicable + 1))
	printf 'NOT RUN %s: not for %s\n' "$desc" "$1"
}

skip() {
	skipped=$((skipped + 1))
	printf 'SKIP %s: %s\n' "$desc" "$1"
	return 1
}

then_rest() {
	"$prog" >"$tmp/out" 2>"$tmp/err"
	set -- $?
	cat >"$tmp/rest"
	return "$1"
}

# Runs the program on a non-blocking standard input, then checks that its
# flags are as they were, and that it slept while it waited: a second of CPU
# time a second waited is a spin.
nonblocking() {
	perl -MFcntl -e '
		fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK);
		system @ARGV;
		my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
		my (undef, undef, $user, $system) = times;
		print STDERR "spun: ${user}s user, ${system}s system\n" if $user + $system > 0.25;
		print STDERR "O_NONBLOCK cleared\n" unless fcntl(STDIN, F_GETFL, 0) & O_NONBLOCK;
		exit $status' timeout 10 "$tmp/limited"
}

# Runs COMMAND with input on a FIFO that stays open, and output on a FIFO
# that must get the prompt before the input is written, PAUSE seconds
# before it: time for a read that does not wait to end the run with the
# wrong answer. Bounded by timeouts so that a prompt held back, or a read
# that waits for the end of input, fails the row instead of hanging the
# suite.
on_pipes() {
	pause=$1; shift
	rm -f "$tmp/in" "$tmp/pipe"; mkfifo "$tmp/in" "$tmp/pipe"
	"$@" <"$tmp/in" >"$tmp/pipe" 2>"$tmp/err" &
	pid=$!
	exec 3>"$tmp/in" 4<"$tmp/pipe"
	timeout 10 head -c 14 <&4 >"$tmp/out"
	sleep "$pause"
	(feed >&3)
	wait "$pid"
	set -- $?
	cat <&4 >>"$tmp/out"
	exec 3>&- 4<&-
	return "$1"
}

# The same on a terminal: the status is written by the shell inside, since
# a hangup kills script, and what is left is taken until half a second
# passes with nothing more. A pause before the typing leaves time for the
# echo of stty to pass.
on_tty() {
	rm -f "$tmp/status"
	W=$tmp/limited R=$tmp/rest T=$tmp/status S=$settings on_pipes 0.2 timeout 10 \
		script -qec 'export SCRIPT=$PPID; stty $S; trap "" HUP
			timeout --foreground -s KILL 10 "$W"; echo $? >"$T"
			stty -icanon min 0 time 5; cat >"$R"' /dev/null
	for _ in $(seq 100); do [ -s "$tmp/status" ] && break; sleep 0.1; done
	cat "$tmp/status" 2>/dev/null || echo none
}

# Input on a socket of the type SETTINGS names, and what the next reader
# gets read after the run. Each part of INPUT is one message, sent before
# the run, or half a second into it with late. A Unix socketpair of type
# stream, dgram or seqpacket; udp, a connected pair on loopback, whose
# earlier datagram drew "port unreachable"; tcp, a connection on loopback.
# peekoff=N leaves SO_PEEK_OFF at N, rcvlowat=N sets SO_RCVLOWAT, nonblock
# O_NONBLOCK, and reader starts a second reader that takes one message a
# tenth of a second in, while strace holds the program's first receive for
# half a second.
on_socket() {
	printf '%b' "$input" | R=$tmp/rest perl -MSocket -MFcntl -MPOSIX=_exit -e '
		local $/; my @messages = split /\|/, <STDIN>, -1;
		my %o = map { /^(\w+)=?(.*)/; ($1, $2) } split " ", shift;
		my ($in, $peer);
		if (exists $o{udp}) {
			my $any = pack_sockaddr_in(0, inet_aton("127.0.0.1"));
			socket($in, PF_INET, SOCK_DGRAM, 0) && bind($in, $any) or exit 77;
			my $gone;
			socket($gone, PF_INET, SOCK_DGRAM, 0) && bind($gone, $any) or exit 77;
			my $there = getsockname($gone);
			connect($in, $there) or die $!;
			close $gone;
			send($in, "x", 0);
			select(undef, undef, undef, 0.1);
			socket($peer, PF_INET, SOCK_DGRAM, 0) or die $!;
			setsockopt($peer, SOL_SOCKET, SO_REUSEADDR, 1);
			bind($peer, $there) && connect($peer, getsockname($in)) or die $!;
		} elsif (exists $o{tcp}) {
			my $listen;
			socket($listen, PF_INET, SOCK_STREAM, 0) or exit 77;
			bind($listen, pack_sockaddr_in(0, inet_aton("127.0.0.1"))) && listen($listen, 1) or exit 77;
			socket($peer, PF_INET, SOCK_STREAM, 0) && connect($peer, getsockname($listen)) or die $!;
			accept($in, $listen) or die $!;
		} elsif (exists $o{pty}) {
			# TIOCSPTLCK and TIOCGPTN, whose direction bits differ on some
			# processors, and TIOCPKT.
			my $odd = (POSIX::uname())[4] =~ /^(alpha|mips|parisc|powerpc|ppc|sparc)/;
			open($in, "+<", "/dev/ptmx") or exit 77;
			my ($unlock, $n) = (pack("i", 0), pack("I", 0));
			ioctl($in, $odd ? 0x80045431 : 0x40045431, $unlock) or exit 77;
			ioctl($in, $odd ? 0x40045430 : 0x80045430, $n) or exit 77;
			open($peer, "+<", "/dev/pts/" . unpack("I", $n)) or die $!;
			my $modes = POSIX::Termios->new;
			$modes->getattr(fileno $peer) or die $!;
			$modes->setoflag($modes->getoflag & ~POSIX::OPOST());
			$modes->setattr(fileno $peer, POSIX::TCSANOW()) or die $!;
			my $packet = pack("i", 1);
			ioctl($in, 0x5420, $packet) or die $! if exists $o{packet};
		} else {
			my ($type) = grep { /^(stream|dgram|seqpacket)$/ } keys %o or die "no socket type\n";
			socketpair($in, $peer, AF_UNIX, Socket->can("SOCK_" . uc $type)->(), 0) or die $!;
		}
		# 42 is SO_PEEK_OFF, which Socket does not name.
		setsockopt($in, SOL_SOCKET, 42, pack("i", $o{peekoff})) or die $! if exists $o{peekoff};
		setsockopt($in, SOL_SOCKET, SO_RCVLOWAT, pack("i", $o{rcvlowat})) or die $! if exists $o{rcvlowat};
		fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK) if exists $o{nonblock};
		my $send = sub { defined syswrite($peer, $_) or die $! for @messages };
		exists $o{late} ? (fork or do { select(undef, undef, undef, 0.5); &$send; _exit 0 }) : &$send;
		fork or do { select(undef, undef, undef, 0.1); recv($in, $_, 1 << 20, 0); _exit 0 } if exists $o{reader};
		open STDIN, "<&", $in or die $!;
		my @strace = exists $o{reader} ? qw(strace -f -o /dev/null -e inject=recvfrom,recvmsg:delay_exit=500000:when=1) : ();
		system @strace, @ARGV;
		my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
		wait for 1 .. 2;
		my $rest = "";
		fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK);
		while (sysread($in, $_, 1 << 20)) { s/^\0// if exists $o{packet}; $rest .= $_ }
		open my $f, ">", $ENV{R} or die $!;
		print $f $rest;
		exit $status' "$settings" timeout 10 "$tmp/limited" >"$tmp/out" 2>"$tmp/err"
}

. "$(dirname "$0")/cases.sh"

printf '%d passed, %d failed, %d skipped, %d not run here\n' "$passed" "$failed" "$skipped" "$inapplicable"
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || exit 77
