# The other end of the program's standard input, for run.sh's peer: makes
# one end of a KIND, runs COMMAND with it as standard input after writing
# the parts of standard input (divided by '|' and '^') to the other end,
# and writes what the next reader gets afterwards to the file $R. Exits
# with COMMAND's status, or 77 with a reason for a row that cannot run:
# "not for ..." where the system has no such thing.
#
#   perl peer.pl KIND 'OPTION...' COMMAND...
#
# $F is a path the helper may make a FIFO or file at; $PIDFILE holds the
# process number the program runs as, once it runs. run.sh lists the kinds
# and options.
use strict;
use warnings;
use Fcntl;
use POSIX ();
use Socket qw(:DEFAULT IPPROTO_IP);

my ($kind, $options, @command) = @ARGV;
my %o = map { /^(\w+)=?(.*)/ ? ($1, $2) : () } split " ", $options;
my @parts = do { local $/; split /[|^]/, <STDIN>, -1 };
my $skip = sub { print STDERR "@_\n"; exit 77 };

# Numbers the kernel's headers give and Perl's modules do not, by processor.
my $cpu = (POSIX::uname())[4];
my $generic = $cpu =~ /^(x86_64|i.86|aarch64|arm|riscv|s390|ppc|powerpc|loongarch)/;
my $fionread = $cpu =~ /^mips/ ? 0x467f : $cpu =~ /^(alpha|powerpc|ppc|sparc)/ ? 0x4004667f : 0x541b;
my %so = $generic ? (peekoff => 42, sndbuf => 32) : $cpu =~ /^mips/ ? (peekoff => 42, sndbuf => 31) : ();
for my $option (qw(peekoff sndbuf)) {
	$skip->("not for $cpu, whose socket option numbers are not known here")
		if exists $o{$option} && !exists $so{$option};
}
my $lo = inet_aton("127.0.0.1");

my ($in, $peer, $packets);
if ($kind =~ /^(stream|dgram|seqpacket)$/) {
	my $type = $kind eq "stream" ? SOCK_STREAM : $kind eq "dgram" ? SOCK_DGRAM : SOCK_SEQPACKET;
	socketpair($in, $peer, AF_UNIX, $type, 0) or die $!;
} elsif ($kind eq "udp") {
	socket($in, PF_INET, SOCK_DGRAM, 0) && bind($in, pack_sockaddr_in(0, $lo)) or $skip->("no UDP on loopback");
	socket($peer, PF_INET, SOCK_DGRAM, 0) && bind($peer, pack_sockaddr_in(0, $lo)) or die $!;
	# 11 is IP_RECVERR on every processor.
	setsockopt($in, IPPROTO_IP, 11, 1) or die $! if exists $o{recverr};
	connect($in, getsockname($peer)) && connect($peer, getsockname($in)) or die $!;
	# Readable once the error has come.
	vec(my $error = "", fileno $in, 1) = 1;
	if (exists $o{icmp}) {
		# The header of a datagram from in to peer, in the message that
		# says it could not be delivered.
		my $sum = sub {
			my $s = 0;
			$s += $_ for unpack "n*", $_[0];
			$s = ($s >> 16) + ($s & 0xffff) while $s >> 16;
			~$s & 0xffff;
		};
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
	socket($in, 16, SOCK_RAW, 2) && socket($peer, 16, SOCK_RAW, 2) or $skip->("not for a system without netlink sockets");
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
	# 1031 is F_SETPIPE_SZ on every processor.
	fcntl($peer, 1031, 0 + $o{room}) or $skip->("not for a system whose pipes cannot hold $o{room} bytes: $!")
		if exists $o{room};
} elsif ($kind eq "fifo") {
	POSIX::mkfifo($ENV{F}, 0600) or die $!;
	sysopen($in, $ENV{F}, O_RDONLY | O_NONBLOCK) && sysopen($peer, $ENV{F}, O_WRONLY) or die $!;
	fcntl($in, F_SETFL, 0) or die $!;
} elsif ($kind eq "file") {
	# The parts in a file, made sparse up to size=N, opened with O_DIRECT
	# where asked, seek=N bytes in.
	open(my $f, ">", $ENV{F}) or die $!;
	print $f @parts;
	close $f or die $!;
	truncate($ENV{F}, $o{size}) or die $! if exists $o{size};
	my $flags = O_RDONLY | (exists $o{direct} ? O_DIRECT : 0);
	sysopen($in, $ENV{F}, $flags) or $skip->("not for a file system without O_DIRECT: $!");
	sysseek($in, $o{seek}, 0) or die $! if exists $o{seek};
	delete $o{direct};
} elsif ($kind eq "eventfd") {
	my %eventfd2 = (x86_64 => 290, i686 => 328, aarch64 => 19, riscv64 => 19, armv7l => 356, s390x => 323);
	my $call = eval { require "syscall.ph"; SYS_eventfd2() } // $eventfd2{$cpu} // $skip->("not for $cpu: no eventfd2 number");
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
my $file = $kind eq "file" ? join("", @parts) : undef;
@parts = () if defined $file;

setsockopt($in, SOL_SOCKET, $so{peekoff}, pack("i", $o{peekoff})) or die $! if exists $o{peekoff};
# A datagram can be as long as the send buffer.
setsockopt($peer, SOL_SOCKET, $so{sndbuf}, pack("i", $o{sndbuf})) or $skip->("no SO_SNDBUFFORCE: $!")
	if exists $o{sndbuf};
setsockopt($in, SOL_SOCKET, SO_RCVLOWAT, pack("i", $o{rcvlowat})) or die $! if exists $o{rcvlowat};
fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK) if exists $o{nonblock};
# Something for peer to leave unread.
defined syswrite($in, "x") or die $! if exists $o{reset} || exists $o{disconnect};
# An out-of-band byte, queued alone.
send($peer, "!", MSG_OOB) or die $! if exists $o{oob};

my $queued = sub { my $n = pack("i", 0); ioctl($in, $fionread, $n) or die $!; unpack "i", $n };
my $pid = sub { open(my $p, "<", $ENV{PIDFILE}) or return; my $n = <$p>; chomp $n; $n };
# The program's state letter ("S" where it sleeps, as when it waits for
# input), or "" where it is not the program yet, or "gone".
my $state = sub {
	my $n = $pid->() or return "";
	open(my $stat, "<", "/proc/$n/stat") && open(my $cmd, "<", "/proc/$n/cmdline") or return "gone";
	my ($letter) = <$stat> =~ /\) (\S)/;
	# A process that is ending has no command line left.
	my $exe = (split /\0/, <$cmd> // "")[0] // "";
	return $exe eq "/bin/sh" ? "" : $letter // "gone";
};
# Until the program runs and sleeps, as it does when it waits for input,
# or, with GONE, until it has ended too.
my $waits = sub {
	my ($gone) = @_;
	for (1 .. 1000) {
		my $now = $state->();
		return $pid->() if $now eq "S" || ($gone && ($now eq "gone" || $now eq "Z"));
		select(undef, undef, undef, 0.01);
	}
	die "the program never waited\n";
};
# Packets from part direct=N on, or from the first.
my $written = 0;
my $send = sub {
	for (@_) {
		# Until the part before has been taken.
		if (exists $o{split}) {
			for (1 .. 1000) { last unless $queued->(); select(undef, undef, undef, 0.01) }
		}
		fcntl($peer, F_SETFL, O_DIRECT) or die $! if exists $o{direct} && ++$written == ($o{direct} || 1);
		defined syswrite($peer, $_) or die $!;
	}
};

my (@children, @strace);
# Runs the program under strace, which holds its first call of CALLS for a
# second once it has returned; $returned waits for that point.
my $trace = "$ENV{R}.trace";
my $held = sub {
	unlink $trace;
	@strace = ("strace", "-f", "-o", $trace, "-e", "trace=$_[0]", "-e", "inject=$_[0]:delay_exit=1000000:when=1");
};
my $returned = sub {
	for (1 .. 1000) {
		my $seen = 0;
		if (open(my $t, "<", $trace)) { $seen = grep { /DELAYED/ } <$t> }
		return if $seen;
		select(undef, undef, undef, 0.01);
	}
};
if (exists $o{late} || exists $o{split}) {
	# With closed, standard output and error must stay closed while the
	# program waits: nothing it opens may take their numbers.
	push @children, fork // die $!;
	$children[-1] or do {
		# Late: half a second after the program has begun to wait, time
		# for a spin to show.
		my $n = exists $o{late} ? $waits->() : undef;
		select(undef, undef, undef, 0.5) if exists $o{late};
		if (exists $o{closed}) {
			-e "/proc/$n/fd/$_" and print STDERR "descriptor $_ open while the program waits\n" for 1, 2;
		}
		$send->(@parts);
		POSIX::_exit(0);
	};
} elsif (exists $o{steal}) {
	# A second reader takes what is queued once strace has let the
	# program's first look return, and holds the program there for a
	# second; the later parts come once the program has ended, or sleeps
	# in a take that waits for them.
	$held->($kind =~ /^(pipe|fifo)$/ ? "tee" : "recvfrom");
	$send->(shift @parts);
	push @children, fork // die $!;
	$children[-1] or do {
		$returned->();
		sysread($in, my $stolen, $queued->());
		$waits->("gone");
		$send->(@parts);
		POSIX::_exit(0);
	};
} else {
	$send->(@parts);
}
close $peer if $kind =~ /^(pipe|fifo)$/ || exists $o{reset};
connect($peer, pack("S x14", AF_UNSPEC)) or die $! if exists $o{disconnect};
if (exists $o{reader}) {
	# A second reader takes one message once strace has let the
	# program's first receive return, and holds the program there.
	$held->("recvfrom,recvmsg");
	push @children, fork // die $!;
	$children[-1] or do {
		$returned->();
		recv($in, my $message, 1 << 20, 0);
		POSIX::_exit(0);
	};
}
# Read by run.sh's wrapper, which runs the program alone under strace.
$ENV{INJECT} = $o{inject} if exists $o{inject};
@command = ("sh", "-c", 'exec "$@" >&- 2>&-', "sh", @command) if exists $o{closed};

open(STDIN, "<&", $in) or die $!;
system @strace, @command;
my $status = $? & 127 ? 128 + ($? & 127) : $? >> 8;
waitpid $_, 0 for @children;

my $rest = "";
if (defined $file) {
	my $at = sysseek($in, 0, 1) or die $!;
	$rest = substr($file, $at) if $at <= length $file;
} elsif ($kind eq "eventfd") {
	fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK);
	$rest = unpack "Q", $_ if sysread($in, $_, 8);
} else {
	fcntl($in, F_SETFL, fcntl($in, F_GETFL, 0) | O_NONBLOCK);
	while (defined(my $got = sysread($in, my $part, 1 << 20))) {
		last unless $got;
		$part =~ s/^\0// if $packets;
		$rest .= $part;
	}
}
open(my $r, ">", $ENV{R}) or die $!;
print $r $rest;
exit $status;
