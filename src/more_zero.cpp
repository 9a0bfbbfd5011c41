#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
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
#include <termios.h>
#include <unistd.h>

// Standard input, read no further than the number needs, so that whatever
// follows it is there for the next reader. A file is read in blocks and the
// offset set back. A pipe is looked at through a copy that tee makes into a
// pipe of the program's own, a stream socket through a peek, and what the
// number used is taken once it is known. A message socket, a packet pipe and
// a terminal in line mode hand over one message, packet or line a read: it
// is taken whole, and the number ends with it. A raw terminal has no lines
// of its own, so it is read a byte at a time up to the end of the answer's
// line. Where no look can be had, a byte is read at a time.
class Stdin : public std::streambuf {
	enum Kind { Bytes, Blocks, Copies, Peeks, Lines, Messages, Packets, Raw };
	char buffer[8192];
	char* data = buffer;
	std::size_t room = sizeof buffer;
	Kind kind = Sort();
	int copy[2] = {-1, -1};
	bool begun = false;
	bool ended = false;
	bool failed = false;

	static Kind Sort()
	{
		struct stat status;
		if (fstat(STDIN_FILENO, &status) != 0)
			return Bytes;
		switch (status.st_mode & S_IFMT) {
		case S_IFREG:
		case S_IFBLK:
			return Blocks;
		case S_IFIFO:
			return Copies;
		case S_IFSOCK:
			return SortSocket();
		case S_IFCHR:
			return SortTerminal();
		default:
			// inotify, eventfd and their kind accept a seek that does
			// nothing.
			return Bytes;
		}
	}

	static Kind SortSocket()
	{
		int type = 0;
		socklen_t length = sizeof type;
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) != 0)
			return Bytes;
		if (type != SOCK_STREAM)
			return Messages;
		// A peek starts at the peek offset and moves it on.
		int offset = -1;
		length = sizeof offset;
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_PEEK_OFF, &offset, &length) == 0 &&
			offset >= 0)
			return Bytes;
		return Peeks;
	}

	static Kind SortTerminal()
	{
		termios modes;
		if (tcgetattr(STDIN_FILENO, &modes) != 0)
			return Bytes;
		// A pty's master answers with its slave's modes, but what it
		// hands over is a byte stream, and only a master has a number.
		unsigned int number;
		if (ioctl(STDIN_FILENO, TIOCGPTN, &number) == 0)
			return Bytes;
		// Under EXTPROC the other end edits the lines; the kernel makes
		// none, and a read takes whatever is queued.
		const bool lines = (modes.c_lflag & ICANON) && !(modes.c_lflag & EXTPROC);
		return lines ? Lines : Raw;
	}

	static void Pause()
	{
		const timespec pause = {0, 50000000};
		nanosleep(&pause, nullptr);
	}

	// Readiness promises nothing about a read: VMIN and SO_RCVLOWAT make
	// poll wait for more than the one byte a read would return, an error
	// queue or a hangup makes it answer at once with nothing to read, and
	// it fails outright where no descriptor is allowed. So the wait is
	// bounded, the read is tried again after it, and an answer without
	// input pauses rather than spin.
	static void Wait()
	{
		pollfd fd = {STDIN_FILENO, POLLIN, 0};
		const int ready = poll(&fd, 1, 1000);
		if ((ready == -1 && errno != EINTR) || (ready == 1 && !(fd.revents & POLLIN)))
			Pause();
	}

	// What has been typed on a terminal and not read; -1 once it is hung up.
	static int Typed()
	{
		int typed = 0;
		return ioctl(STDIN_FILENO, FIONREAD, &typed) == 0 ? typed : -1;
	}

	// Room for any message the limits allow, reserved but not touched: the
	// pages cost only as the message fills them. A read takes at most
	// SSIZE_MAX bytes, so 32 bits start from 1 GiB.
	void Reserve()
	{
		const auto most = static_cast<std::size_t>(std::numeric_limits<ssize_t>::max());
		for (std::size_t size = std::min(std::size_t{1} << 31, most / 2 + 1);
			size > sizeof buffer; size /= 2) {
			void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE,
				MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
			if (map != MAP_FAILED) {
				data = static_cast<char*>(map);
				room = size;
				return;
			}
		}
	}

	// Reads from now on as KIND, without the copy.
	void Leave(Kind to)
	{
		close(copy[0]);
		close(copy[1]);
		kind = to;
		if (kind == Packets)
			Reserve();
	}

	// A line, a message or a packet ends the number it holds.
	bool Records() const
	{
		return kind == Lines || kind == Messages || kind == Packets;
	}

	ssize_t Read()
	{
		switch (kind) {
		case Bytes:
			return read(STDIN_FILENO, data, 1);
		case Raw:
			for (;;) {
				const ssize_t got = read(STDIN_FILENO, data, 1);
				// With VMIN at 0 a read that finds nothing typed returns 0,
				// which is not the end of input, unless the line is gone.
				if (got != 0)
					return got;
				const int typed = Typed();
				if (typed == -1)
					return 0;
				if (typed == 0)
					Wait();
			}
		case Blocks:
		case Lines:
		case Packets:
			return read(STDIN_FILENO, data, room);
		case Copies:
			return Copy();
		case Peeks:
			return recv(STDIN_FILENO, data, room, MSG_PEEK | MSG_DONTWAIT);
		case Messages:
			break;
		}
		// One receive takes one message whole: a length asked first may
		// be another reader's message, or skewed by the peek offset.
		const ssize_t got = recv(STDIN_FILENO, data, room, MSG_TRUNC);
		if (got > 0 && static_cast<std::size_t>(got) > room) {
			// Its tail is gone, and the next message is not it.
			ended = true;
			return static_cast<ssize_t>(room);
		}
		return got;
	}

	// What the pipe holds, copied by tee and left in place.
	ssize_t Copy()
	{
		const ssize_t got = tee(STDIN_FILENO, copy[1], room, 0);
		// Refused, as by a sandbox: a byte at a time, then.
		if (got == -1 && errno != EAGAIN && errno != EINTR) {
			Leave(Bytes);
			return read(STDIN_FILENO, data, 1);
		}
		// A read stops at the end of a packet: the writer writes packets,
		// and a read takes each whole.
		if (got > 0 && read(copy[0], data, static_cast<std::size_t>(got)) < got) {
			Leave(Packets);
			return read(STDIN_FILENO, data, room);
		}
		return got;
	}

	// Takes from standard input what the number used of a look.
	void Take(std::size_t used)
	{
		if (kind != Copies && kind != Peeks)
			return;
		while (used > 0) {
			const ssize_t got = read(STDIN_FILENO, data, used);
			if (got > 0)
				used -= static_cast<std::size_t>(got);
			else if (got == 0 || errno != EINTR)
				return;
		}
	}

	// Non-blocking: no data yet is not the end of input. Waiting, rather
	// than clearing O_NONBLOCK, leaves the flags that other holders of the
	// file share untouched. A socket reports a pending error once, ahead of
	// what is queued, so an error ends the input only when it comes again.
	bool Retry()
	{
		if (errno == EINTR)
			return true;
		if (errno == EAGAIN || errno == EWOULDBLOCK) {
			failed = false;
			Wait();
			return true;
		}
		failed = !failed;
		return failed;
	}

	int_type underflow() override
	{
		// The next line or message is not the rest of this one's number.
		if (ended || (begun && Records()))
			return traits_type::eof();
		Take(static_cast<std::size_t>(egptr() - eback()));
		ssize_t got;
		while ((got = Read()) == -1 && Retry())
			;
		failed = false;
		if (got <= 0) {
			ended = true;
			setg(data, data, data);
			return traits_type::eof();
		}
		setg(data, data, data + got);
		for (char* c = data; Records() && !begun && c != egptr(); ++c)
			begun = !(*c == ' ' || (*c >= '\t' && *c <= '\r'));
		return traits_type::to_int_type(*data);
	}

	int sync() override
	{
		if (kind == Blocks)
			lseek(STDIN_FILENO, gptr() - egptr(), SEEK_CUR);
		else if (kind == Raw)
			Drain();
		else
			Take(static_cast<std::size_t>(gptr() - eback()));
		setg(data, data, data);
		return 0;
	}

	// The rest of the answer's line must not reach the shell as a command,
	// but lines typed ahead stay for it. Only what has been typed is taken,
	// so no typing is waited for. Enter sends a carriage return on a raw
	// terminal, a paste may end in a line feed. A long paste reaches the
	// line discipline a few KiB at a time, so nothing typed is believed
	// only after a pause.
	void Drain()
	{
		while (!ended && egptr()[-1] != '\n' && egptr()[-1] != '\r') {
			int typed = Typed();
			if (typed == 0) {
				Pause();
				typed = Typed();
			}
			if (typed <= 0)
				return;
			underflow();
		}
	}

      public:
	Stdin()
	{
		if (kind == Messages)
			Reserve();
		else if (kind == Copies && pipe2(copy, O_CLOEXEC) != 0)
			kind = Bytes;
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
