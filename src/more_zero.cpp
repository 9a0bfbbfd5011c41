#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <limits>
#include <streambuf>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <termios.h>
#include <unistd.h>

// Standard input, read no further than the number needs, so that whatever
// follows it is there for the next reader. Each kind of input is one Way:
// how it is looked at or read, what is given back of it once the number
// has used some, and whether a line, message or packet ends the number.
// Every call's error travels as -errno to Settle, which alone decides to
// read again, wait, or end.
class Stdin : public std::streambuf {
	// Look and Give call the function each names. The table holds names
	// rather than pointers, which a static PIE would relocate at start.
	enum class Reads { Byte, Blocks, Copy, Peek, Room, Message, Raw };
	enum class Gives { Nothing, Seek, TakePiped, TakePeeked, Drain };
	struct Way {
		Reads reads;
		Gives gives;
		bool records;
	};
	// A byte a read, where no look can be had.
	static constexpr Way bytes = {Reads::Byte, Gives::Nothing, false};
	// A file: blocks read where they lie, its offset set past the number.
	static constexpr Way blocks = {Reads::Blocks, Gives::Seek, false};
	// A pipe: looked at through a copy that tee makes, then what the
	// number used is taken. Once a packet shows, each packet ends it.
	static constexpr Way copies = {Reads::Copy, Gives::TakePiped, false};
	static constexpr Way packets = {Reads::Copy, Gives::TakePiped, true};
	// A stream socket: peeked at, then what the number used is taken.
	static constexpr Way peeks = {Reads::Peek, Gives::TakePeeked, false};
	// A terminal in line mode, a message socket: a line or message a
	// read, taken whole.
	static constexpr Way lines = {Reads::Room, Gives::Nothing, true};
	static constexpr Way messages = {Reads::Message, Gives::Nothing, true};
	// A raw terminal: a byte a read, and the rest of the line at the end.
	static constexpr Way raw = {Reads::Raw, Gives::Drain, false};

	// How long a wait for input lasts at most, and the pause where a
	// wait cannot be had; the manual quotes both.
	static constexpr int WaitMs = 1000;
	static constexpr long PauseNs = 50000000;
	// O_DIRECT reads whole blocks into aligned room: 4 KiB covers the
	// block sizes of disks.
	static constexpr off_t Block = 4096;

	char buffer[8192];
	char* data = buffer;
	std::size_t room = sizeof buffer;
	// The offset in a file of eback().
	off_t offset = 0;
	// The private pipe, and what it holds of a look not yet read: the
	// bytes stdin holds past the get area.
	int copy[2] = {-1, -1};
	std::size_t copied = 0;
	bool begun = false;
	bool ended = false;
	const Way* way;

	static ssize_t Result(ssize_t got)
	{
		return got < 0 ? -errno : got;
	}

	const Way* Sort()
	{
		struct stat status;
		if (fstat(STDIN_FILENO, &status) != 0)
			return &bytes;
		switch (status.st_mode & S_IFMT) {
		case S_IFREG:
		case S_IFBLK:
			// Some files of tracefs, FUSE and the kernel refuse a seek.
			offset = lseek(STDIN_FILENO, 0, SEEK_CUR);
			return offset >= 0 ? &blocks : &bytes;
		case S_IFIFO:
			return Pipe() ? &copies : &bytes;
		case S_IFSOCK:
			return SortSocket();
		case S_IFCHR:
			return SortTerminal();
		default:
			// An eventfd, inotify, timerfd or signalfd: a seek does
			// nothing, and a read takes a whole count or event.
			return &bytes;
		}
	}

	const Way* SortSocket()
	{
		int type = 0;
		socklen_t length = sizeof type;
		// A socket whose type cannot be learned is read a message at a
		// time: exact for messages, and a stream so read may lose what
		// follows the number, never the answer.
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) != 0 ||
			type != SOCK_STREAM) {
			// A read takes at most SSIZE_MAX bytes: the largest power of
			// two under it is 1 GiB on 32 bits.
			const auto most = std::numeric_limits<ssize_t>::max() / 2 + 1;
			Reserve(std::min(std::size_t{1} << 31, static_cast<std::size_t>(most)));
			return &messages;
		}
		// A peek starts at the peek offset and moves it on. The socket must
		// say that it has none, or cannot have one (EOPNOTSUPP, or
		// ENOPROTOOPT before Linux 3.4); a query refused otherwise, as by
		// a sandbox, may hide one.
		int at = -1;
		length = sizeof at;
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_PEEK_OFF, &at, &length) == 0)
			return at < 0 ? &peeks : &bytes;
		return errno == EOPNOTSUPP || errno == ENOPROTOOPT ? &peeks : &bytes;
	}

	static const Way* SortTerminal()
	{
		termios modes;
		if (tcgetattr(STDIN_FILENO, &modes) != 0)
			return &bytes;
		// A pty's master answers with its slave's modes, but what it
		// hands over is a byte stream, and only a master has a number.
		unsigned int number;
		if (ioctl(STDIN_FILENO, TIOCGPTN, &number) == 0)
			return &bytes;
		// Under EXTPROC the other end edits the lines; the kernel makes
		// none, and a read takes whatever is queued.
		const bool canonical = (modes.c_lflag & ICANON) && !(modes.c_lflag & EXTPROC);
		return canonical ? &lines : &raw;
	}

	// The copy's ends go above 2: where standard output or error is
	// closed, pipe2 hands out its number, and a write meant for it, the
	// prompt or a message of the C library's, would fail or land in the
	// look.
	bool Pipe()
	{
		if (pipe2(copy, O_CLOEXEC) != 0)
			return false;
		bool moved = true;
		for (int& end : copy) {
			if (end > STDERR_FILENO)
				continue;
			const int above = fcntl(end, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
			close(end);
			end = above;
			moved = moved && above != -1;
		}
		if (!moved)
			Close();
		return moved;
	}

	void Close()
	{
		for (int& end : copy) {
			if (end != -1)
				close(end);
			end = -1;
		}
	}

	// Room reserved but not touched, from MOST down to the buffer's size:
	// the pages cost only as they fill. The mapping is aligned to a page.
	bool Reserve(std::size_t most)
	{
		for (std::size_t size = most; size >= sizeof buffer; size /= 2) {
			void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE,
				MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
			if (map != MAP_FAILED) {
				data = static_cast<char*>(map);
				room = size;
				return true;
			}
		}
		return false;
	}

	static void Pause()
	{
		const timespec pause = {0, PauseNs};
		nanosleep(&pause, nullptr);
	}

	// Readiness promises nothing about a read: VMIN and SO_RCVLOWAT make
	// poll wait for more than a read would return, an error queue, a
	// hangup or a lone out-of-band byte make it answer at once with
	// nothing to read, and it fails outright where no descriptor is
	// allowed. So the wait is bounded, and a poll that answers at once,
	// right after a read found nothing, pauses instead, as a failed one
	// does, rather than spin.
	static void Wait()
	{
		pollfd fd = {STDIN_FILENO, POLLIN, 0};
		if (poll(&fd, 1, 0) == 0)
			poll(&fd, 1, WaitMs);
		else
			Pause();
	}

	// What has been typed on a terminal and not read; -1 once it is hung up.
	static int Typed()
	{
		int typed = 0;
		return ioctl(STDIN_FILENO, FIONREAD, &typed) == 0 ? typed : -1;
	}

	// Calls STEP until it succeeds: again at once after EINTR, after a
	// wait where a non-blocking stdin has nothing yet, and once after any
	// other error, since a socket reports a pending error once, ahead of
	// what is queued. The second error in a row is returned.
	ssize_t Settle(ssize_t (Stdin::*step)())
	{
		for (int errors = 0;;) {
			const ssize_t got = (this->*step)();
			if (got >= 0)
				return got;
			if (got == -EAGAIN || got == -EWOULDBLOCK) {
				errors = 0;
				Wait();
			} else if (got != -EINTR && ++errors == 2) {
				return got;
			}
		}
	}

	ssize_t ReadByte()
	{
		return Result(read(STDIN_FILENO, data, 1));
	}

	ssize_t ReadRoom()
	{
		return Result(read(STDIN_FILENO, data, room));
	}

	// From the block that holds the offset, which O_DIRECT needs.
	ssize_t ReadBlocks()
	{
		const off_t from = offset - offset % Block;
		ssize_t got = pread(STDIN_FILENO, data, room, from);
		// O_DIRECT refuses room that is not aligned.
		if (got == -1 && errno == EINVAL && data == buffer && Reserve(sizeof buffer))
			got = pread(STDIN_FILENO, data, room, from);
		if (got < 0)
			return -errno;
		const auto skip = static_cast<ssize_t>(offset - from);
		if (got <= skip)
			return 0;
		std::memmove(data, data + skip, static_cast<std::size_t>(got - skip));
		return got - skip;
	}

	ssize_t Seek()
	{
		const off_t to = offset + (gptr() - eback());
		if (to != offset && lseek(STDIN_FILENO, to, SEEK_SET) == -1)
			return -errno;
		offset = to;
		setg(gptr(), gptr(), egptr());
		return 0;
	}

	// What the pipe holds, copied by tee and left in place. A read stops
	// at the end of a packet: the writer writes packets, and from then on
	// each one ends the number.
	ssize_t Copy()
	{
		if (copied == 0) {
			const ssize_t teed = tee(STDIN_FILENO, copy[1], room, 0);
			if (teed <= 0) {
				// Refused, as by a sandbox: a byte at a time, then.
				if (teed == -1 && errno != EAGAIN && errno != EINTR) {
					Close();
					way = &bytes;
					return ReadByte();
				}
				return Result(teed);
			}
			copied = static_cast<std::size_t>(teed);
		}
		const ssize_t got = read(copy[0], data, copied);
		if (got < 0)
			return -errno;
		if (static_cast<std::size_t>(got) < copied)
			way = &packets;
		copied -= static_cast<std::size_t>(got);
		return got;
	}

	// Takes [eback, gptr) with TAKE(at, count), a call that never waits:
	// what another reader took first is gone, and nothing else is taken
	// in its place.
	template <typename Call> ssize_t Take(Call take)
	{
		while (eback() != gptr()) {
			const ssize_t got =
				take(eback(), static_cast<std::size_t>(gptr() - eback()));
			if (got == 0 || got == -EAGAIN || got == -EWOULDBLOCK)
				break;
			if (got < 0)
				return got;
			setg(eback() + got, gptr(), egptr());
		}
		setg(gptr(), gptr(), egptr());
		return 0;
	}

	// A read that takes part of a packet takes all of it.
	ssize_t TakePiped()
	{
		return Take([](char* at, std::size_t count) {
			iovec part = {at, count};
			const ssize_t got = preadv2(STDIN_FILENO, &part, 1, -1, RWF_NOWAIT);
			if (got != -1 || (errno != EOPNOTSUPP && errno != ENOSYS))
				return Result(got);
			// A FIFO, or a pipe before Linux 6.4, refuses RWF_NOWAIT:
			// it is read only where something is queued, and a read
			// returns what is.
			int queued = 0;
			if (ioctl(STDIN_FILENO, FIONREAD, &queued) != 0)
				return static_cast<ssize_t>(-errno);
			return queued > 0 ? Result(read(STDIN_FILENO, at, count)) : 0;
		});
	}

	ssize_t Peek()
	{
		return Result(recv(STDIN_FILENO, data, room, MSG_PEEK | MSG_DONTWAIT));
	}

	ssize_t TakePeeked()
	{
		return Take([](char* at, std::size_t count) {
			return Result(recv(STDIN_FILENO, at, count, MSG_DONTWAIT));
		});
	}

	// One receive takes one message whole: a length asked first may be
	// another reader's message, or skewed by the peek offset.
	ssize_t Receive()
	{
		const ssize_t got = recv(STDIN_FILENO, data, room, MSG_TRUNC);
		if (got < 0)
			return -errno;
		if (static_cast<std::size_t>(got) > room) {
			// Its tail is gone, and the next message is not it.
			ended = true;
			return static_cast<ssize_t>(room);
		}
		return got;
	}

	// With VMIN at 0 a read that finds nothing typed returns 0, which is
	// not the end of input, unless the line is gone.
	ssize_t ReadRaw()
	{
		for (;;) {
			const ssize_t got = read(STDIN_FILENO, data, 1);
			if (got != 0)
				return Result(got);
			const int typed = Typed();
			if (typed == -1)
				return 0;
			if (typed == 0)
				Wait();
		}
	}

	// Where the number ended in the answer's line, the rest of the line
	// must not reach the shell as a command, but lines typed ahead stay
	// for it. Only what has been typed is taken, so no typing is waited
	// for. Enter sends a carriage return on a raw terminal, a paste may end
	// in a line feed. A long paste reaches the line discipline a few KiB at
	// a time, so nothing typed is believed only after a pause.
	ssize_t Drain()
	{
		while (!ended && gptr() != egptr() && egptr()[-1] != '\n' && egptr()[-1] != '\r') {
			int typed = Typed();
			if (typed == 0) {
				Pause();
				typed = Typed();
			}
			if (typed <= 0)
				break;
			const ssize_t got = Settle(&Stdin::ReadRaw);
			if (got <= 0)
				ended = true;
			setg(data, data, data + std::max(got, ssize_t{0}));
		}
		return 0;
	}

	// The bytes that came, in data, or -errno.
	ssize_t Look()
	{
		switch (way->reads) {
		case Reads::Byte:
			return ReadByte();
		case Reads::Blocks:
			return ReadBlocks();
		case Reads::Copy:
			return Copy();
		case Reads::Peek:
			return Peek();
		case Reads::Room:
			return ReadRoom();
		case Reads::Message:
			return Receive();
		case Reads::Raw:
			return ReadRaw();
		}
		return 0;
	}

	// Gives back what the number used, [eback, gptr): 0 or -errno. Called
	// before each look and at the end.
	ssize_t Give()
	{
		switch (way->gives) {
		case Gives::Nothing:
			return 0;
		case Gives::Seek:
			return Seek();
		case Gives::TakePiped:
			return TakePiped();
		case Gives::TakePeeked:
			return TakePeeked();
		case Gives::Drain:
			return Drain();
		}
		return 0;
	}

	int_type underflow() override
	{
		// The next line, message or packet is not the rest of this one's number.
		if (ended || (begun && way->records))
			return traits_type::eof();
		ssize_t got = Settle(&Stdin::Give);
		if (got == 0)
			got = Settle(&Stdin::Look);
		if (got <= 0) {
			ended = true;
			setg(data, data, data);
			return traits_type::eof();
		}
		setg(data, data, data + got);
		for (char* c = data; way->records && !begun && c != egptr(); ++c)
			begun = !(*c == ' ' || (*c >= '\t' && *c <= '\r'));
		return traits_type::to_int_type(*data);
	}

	int sync() override
	{
		Settle(&Stdin::Give);
		return 0;
	}

      public:
	Stdin() : way(Sort())
	{
	}
};

[[noreturn]] void Moreless(const int& number)
{
	if (number > 0)
		std::exit(0);
	if (number != 0)
		std::exit(2);
	std::exit(1);
}

[[noreturn]] void Input()
{
	// A reader that has gone, or a file size limit, must cost the prompt,
	// not the answer.
	std::signal(SIGPIPE, SIG_IGN);
	std::signal(SIGXFSZ, SIG_IGN);
	Stdin in;
	std::cin.rdbuf(&in);

	// Empty input stores nothing; it then reads as zero, like input with no digit.
	int number = 0;
	std::cout << "give a number:";
	std::cin >> number;
	in.pubsync();
	Moreless(number);
}

int main()
{
	Input();
}
