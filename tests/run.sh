#!/bin/sh
# Runs each row of cases.sh whose description holds PATTERN, or every row,
# and checks the exit status of the row's command, that standard output
# holds the prompt once a run and nothing else, that standard error stays
# empty, and, where INPUT has a '|', that what follows the last one is
# what the command found left for the next reader. A program built for
# another processor runs under EMULATOR.
#
#   [EMULATOR=qemu-aarch64] run.sh PROGRAM [PATTERN]
prog=${1:?usage: run.sh PROGRAM [PATTERN]} pattern=${2-}
case $prog in /*) ;; *) prog=$(pwd)/$prog ;; esac
tmp=$(mktemp -d) || exit 1
[ -n "${KEEP-}" ] || trap 'rm -rf "$tmp"' EXIT

# A limit set for the program holds for an emulator, a sanitizer's runtime
# and the dynamic loader too, which need descriptors and memory of their
# own. strace would hold up the emulator's calls, not the program's, and
# LeakSanitizer stops the program with ptrace, which strace holds already.
unlimited='' untraced=''
if [ -n "${EMULATOR-}" ]; then
	unlimited='an emulated program' untraced=$unlimited
elif grep -q __asan_init "$prog"; then
	unlimited='a sanitized program' untraced=$unlimited
elif ! command -v readelf >/dev/null; then
	unlimited='a program whose link is unknown (no readelf)'
elif readelf -l "$prog" 2>/dev/null | grep -q INTERP; then
	unlimited='a dynamically linked program'
fi

# $P, the program as the rows run it: killed after 10 s, after the shell
# commands in UNDER, and, under METER, failing the row where it used more
# than a quarter of a second of CPU time, which only a spin does. Its
# process number is left in $tmp/pid.
cat >"$tmp/run" <<EOF
#!/bin/sh
echo \$\$ >"$tmp/pid"
eval "\$UNDER"
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
# that exits with 77 is skipped for the reason it gives on standard error.
t() {
	want=$1 input=$2 desc=$3 command=${4:-'feed | { "$P"; left; }'}
	case $desc in *$pattern*) ;; *) return ;; esac
	case $command in
	*'ulimit -'[nvd]*) [ -n "$unlimited" ] && { not_here "$unlimited"; return; } ;;
	esac
	case $command in
	*inject*|*reader*) [ -n "$untraced" ] && { not_here "$untraced"; return; } ;;
	esac
	out=$(for _ in $(seq ${#want}); do printf %s "$prompt"; done)
	UNDER='' METER=''
	rm -f "$tmp/rest" "$tmp/status" "$tmp/spun"
	eval "$command" >"$tmp/out" 2>"$tmp/err" </dev/null
	got=$?
	[ -s "$tmp/status" ] && got=$(cat "$tmp/status")
	if [ "$got" = 77 ]; then
		skip "$(cat "$tmp/err")"
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
	strace -f -o /dev/null -e inject="$1" "$P"
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
# loopback; netlink, a NETLINK_USERSOCK socket; pipe, or fifo; an eventfd,
# whose count is the last part; pty, a pty's master written by its slave.
# Options: peekoff=N sets SO_PEEK_OFF, rcvlowat=N SO_RCVLOWAT, sndbuf=N the
# peer's send buffer, nonblock O_NONBLOCK, recverr IP_RECVERR; late writes
# the parts half a second into the run, split each once the one before has
# been taken; direct makes the writer of a pipe write packets; reset hangs
# up the peer with something unread, disconnect dissolves a datagram pair,
# overrun overruns a netlink socket; packet sets a pty's packet mode;
# reader starts a second reader that takes one message once strace has let
# the program's first receive return, and holds the program there. What
# the next reader gets after the run is the rest.
peer() {
	need perl || return
	case " $* " in *' reader '*) need strace || return ;; esac
	rm -f "$tmp/fifo"
	kind=$1
	shift
	printf '%b' "$input" | R=$tmp/rest F=$tmp/fifo perl -MSocket -MFcntl -MPOSIX=_exit -e '
		# FIONREAD and TIOCPKT, whose numbers differ on some processors;
		# perl-base has no sys/ioctl.ph.
		my $cpu = (POSIX::uname())[4];
		my $fionread = $cpu =~ /^mips/ ? 0x467f : $cpu =~ /^(alpha|powerpc|ppc|sparc)/ ? 0x4004667f : 0x541b;
		local $/; my @parts = split /[|^]/, <STDIN>, -1;
		my $kind = shift;
		my %o = map { /^(\w+)=?(.*)/; ($1, $2) } split " ", shift;
		my ($in, $peer, $packets);
		my $lo = inet_aton("127.0.0.1");
		my $skip = sub { print STDERR "@_\n"; exit 77 };
		if ($kind =~ /^(stream|dgram|seqpacket)$/) {
			socketpair($in, $peer, AF_UNIX, Socket->can("SOCK_" . uc $kind)->(), 0) or die $!;
		} elsif ($kind eq "udp") {
			socket($in, PF_INET, SOCK_DGRAM, 0) && bind($in, pack_sockaddr_in(0, $lo)) or $skip->("no UDP on loopback");
			socket($peer, PF_INET, SOCK_DGRAM, 0) && bind($peer, pack_sockaddr_in(0, $lo)) or die $!;
			setsockopt($in, IPPROTO_IP, 11, 1) or die $! if exists $o{recverr};
			connect($in, getsockname($peer)) && connect($peer, getsockname($in)) or die $!;
			# Readable once the error has come.
			vec(my $error = "", fileno $in, 1) = 1;
			if (exists $o{icmp}) {
				# The header of a datagram from in to peer, in the message
				# that says it could not be delivered.
				my $sum = sub {
					my $s = 0; $s += $_ for unpack "n*", $_[0];
					$s = ($s >> 16) + ($s & 0xffff) while $s >> 16; ~$s & 0xffff };
				my $ip = pack("C C n n n C C n a4 a4", 0x45, 0, 28, 0, 0, 64, 17, 0, $lo, $lo);
				substr($ip, 10, 2) = pack("n", $sum->($ip));
				my ($from, $to) = map { (unpack_sockaddr_in(getsockname($_)))[0] } $in, $peer;
				my $icmp = pack("C C n N", 3, $o{icmp}, 0, 0) . $ip . pack("n n n n", $from, $to, 8, 0);
				substr($icmp, 2, 2) = pack("n", $sum->($icmp));
				socket(my $raw, PF_INET, SOCK_RAW, 1) or $skip->("no raw socket: $!");
				send($raw, $icmp, 0, pack_sockaddr_in(0, $lo)) or die $!;
				select($error, undef, undef, 10);
			} else {
				# Sent to a port with no socket, then bound by peer.
				my ($port) = unpack_sockaddr_in(getsockname($peer));
				close $peer;
				send($in, "x", 0);
				select($error, undef, undef, 10);
				socket($peer, PF_INET, SOCK_DGRAM, 0) or die $!;
				setsockopt($peer, SOL_SOCKET, SO_REUSEADDR, 1);
				bind($peer, pack_sockaddr_in($port, $lo)) && connect($peer, getsockname($in)) or die $!;
			}
		} elsif ($kind eq "tcp") {
			my $listen;
			socket($listen, PF_INET, SOCK_STREAM, 0) && bind($listen, pack_sockaddr_in(0, $lo)) &&
				listen($listen, 1) or $skip->("no TCP on loopback");
			socket($peer, PF_INET, SOCK_STREAM, 0) && connect($peer, getsockname($listen)) or die $!;
			accept($in, $listen) or die $!;
		} elsif ($kind eq "netlink") {
			my $nl = sub { pack "S S L L", 16, 0, @_ };
			socket($in, 16, SOCK_RAW, 2) && socket($peer, 16, SOCK_RAW, 2) or $skip->("no netlink socket");
			bind($in, $nl->(0, exists $o{overrun} ? 1 : 0)) or $skip->("no netlink group: $!");
			bind($peer, $nl->(0, 0)) or die $!;
			my $to = $nl->((unpack "S S L L", getsockname($in))[2], 0);
			defined send($peer, $_, 0, $to) or die $! for @parts;
			if (exists $o{overrun}) {
				setsockopt($in, SOL_SOCKET, SO_RCVBUF, 1) or die $!;
				send($peer, "x", 0, $nl->(0, 1)) for 1 .. 64;
			}
			@parts = ();
		} elsif ($kind eq "pipe") {
			pipe($in, $peer) or die $!;
		} elsif ($kind eq "fifo") {
			POSIX::mkfifo($ENV{F}, 0600) or die $!;
			sysopen($in, $ENV{F}, O_RDONLY | O_NONBLOCK) && sysopen($peer, $ENV{F}, O_WRONLY) or die $!;
			fcntl($in, F_SETFL, 0) or die $!;
		} elsif ($kind eq "eventfd") {
			my %eventfd2 = (x86_64 => 290, i686 => 328, aarch64 => 19, riscv64 => 19, armv7l => 356, s390x => 323);
			my $call = eval { require "syscall.ph"; &SYS_eventfd2 } // $eventfd2{$cpu} // $skip->("no eventfd2 for $cpu");
			my $fd = syscall($call, 0 + pop @parts, 0);
			$fd >= 0 && open($in, "+<&=", $fd) or $skip->("no eventfd: $!");
			@parts = ();
		} elsif ($kind eq "pty") {
			# TIOCSPTLCK and TIOCGPTN, whose direction bits differ on some
			# processors.
			my $odd = $cpu =~ /^(alpha|mips|parisc|powerpc|ppc|sparc)/;
			open($in, "+<", "/dev/ptmx") or $skip->("no pty");
			my ($unlock, $n) = (pack("i", 0), pack("I", 0));
			ioctl($in, $odd ? 0x80045431 : 0x40045431, $unlock) or $skip->("no pty");
			ioctl($in, $odd ? 0x40045430 : 0x80045430, $n) or $skip->("no pty");
			open($peer, "+<", "/dev/pts/" . unpack("I", $n)) or die $!;
			my $modes = POSIX::Termios->new;
			$modes->getattr(fileno $peer) or die $!;
			$modes->setoflag($modes->getoflag & ~POSIX::OPOST());
			$modes->setattr(fileno $peer, POSIX::TCSANOW()) or die $!;
			my $on = pack("i", 1);
			ioctl($in, 0x5420, $on) or die $! if $packets = exists $o{packet};
		} else {
			die "no kind $kind\n";
		}
		fcntl($peer, F_SETFL, O_DIRECT) or die $! if exists $o{direct};
		# 42 is SO_PEEK_OFF, which Socket does not name.
		setsockopt($in, SOL_SOCKET, 42, pack("i", $o{peekoff})) or die $! if exists $o{peekoff};
		# 32 is SO_SNDBUFFORCE: a datagram can be as long as the buffer.
		setsockopt($peer, SOL_SOCKET, 32, pack("i", $o{sndbuf})) or $skip->("no SO_SNDBUFFORCE: $!") if exists $o{sndbuf};
		setsockopt($in, SOL_SOCKET, SO_RCVLOWAT, pack("i", $o{rcvlowat})) or die $! if exists $o{rcvlowat};
		fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK) if exists $o{nonblock};
		if (exists $o{reset} || exists $o{disconnect}) {
			# Something for peer to leave unread.
			defined syswrite($in, "x") or die $!;
		}
		my $queued = sub { my $n = pack("i", 0); ioctl($in, $fionread, $n) or die $!; unpack "i", $n };
		my $send = sub {
			for (@parts) {
				# Until the part before has been taken.
				if (exists $o{split}) {
					for (1 .. 1000) { last unless $queued->(); select(undef, undef, undef, 0.01) }
				}
				defined syswrite($peer, $_) or die $!;
			}
		};
		my @children;
		if (exists $o{late} || exists $o{split}) {
			push @children, fork // die $!;
			$children[-1] or do { select(undef, undef, undef, 0.5) if exists $o{late}; &$send; _exit 0 };
		} else {
			&$send;
		}
		close $peer if exists $o{reset} || $kind =~ /^(pipe|fifo)$/;
		connect($peer, pack("S x14", AF_UNSPEC)) or die $! if exists $o{disconnect};
		my @strace;
		if (exists $o{reader}) {
			my $trace = "$ENV{R}.trace";
			@strace = (qw(strace -f -e trace=recvfrom,recvmsg -e inject=recvfrom,recvmsg:delay_exit=1000000:when=1 -o), $trace);
			push @children, fork // die $!;
			$children[-1] or do {
				for (1 .. 1000) {
					last if open(my $t, "<", $trace) && <$t> =~ /DELAYED/;
					select(undef, undef, undef, 0.01);
				}
				recv($in, $_, 1 << 20, 0);
				_exit 0;
			};
		}
		open STDIN, "<&", $in or die $!;
		system @strace, @ARGV;
		my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
		waitpid $_, 0 for @children;
		my $rest = "";
		fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK);
		if ($kind eq "eventfd") {
			$rest = unpack "Q", $_ if sysread($in, $_, 8);
		} else {
			while (defined(my $got = sysread($in, $_, 1 << 20))) {
				last unless $got;
				s/^\0// if $packets;
				$rest .= $_;
			}
		}
		open my $f, ">", $ENV{R} or die $!;
		print $f $rest;
		exit $status' "$kind" "$*" "$P"
}

. "$(dirname "$0")/cases.sh"

printf '%d passed, %d failed, %d skipped, %d not run here\n' "$passed" "$failed" "$skipped" "$inapplicable"
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || exit 77
