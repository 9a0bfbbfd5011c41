#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <streambuf>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

// Standard input, read no further than the number needs, so that whatever
// follows it is there for the next reader. A pipe can take nothing back, so
// it is read a byte at a time; a seekable file is read in blocks and the
// offset set back. A message socket, and a terminal in line mode, hand over
// one message or one line a read: it is taken whole, and the number ends
// with it. A raw terminal has no lines of its own, so it is read a byte at a
// time up to the end of the answer's line.
class Stdin : public std::streambuf {
	enum Kind { Bytes, Blocks, Lines, Messages, Raw };
	char buffer[8192];
	char* data = buffer;
	std::size_t room = sizeof buffer;
	const Kind kind = Sort();
	bool begun = false;
	bool ended = false;

	static Kind Sort()
	{
		if (lseek(STDIN_FILENO, 0, SEEK_CUR) != -1)
			return Blocks;
		termios modes;
		if (tcgetattr(STDIN_FILENO, &modes) == 0) {
			// A pty's master answers with its slave's modes, but what it
			// hands over is a byte stream, and only a master has a number.
			unsigned int number;
			if (ioctl(STDIN_FILENO, TIOCGPTN, &number) == 0)
				return Bytes;
			// Under EXTPROC the other end edits the lines; the kernel
			// makes none, and a read takes whatever is queued.
			const bool lines = (modes.c_lflag & ICANON) && !(modes.c_lflag & EXTPROC);
			return lines ? Lines : Raw;
		}
		int type;
		socklen_t length = sizeof type;
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) == 0 &&
			(type == SOCK_DGRAM || type == SOCK_SEQPACKET))
			return Messages;
		return Bytes;
	}

	// Readiness promises nothing about a read: VMIN and SO_RCVLOWAT make
	// poll wait for more than the one byte a read would return, and poll
	// fails outright where no descriptor is allowed. So the wait is
	// bounded, the read is tried again after it, and a failed poll sleeps
	// rather than spin.
	static void Wait()
	{
		pollfd fd = {STDIN_FILENO, POLLIN, 0};
		if (poll(&fd, 1, 1000) == -1 && errno != EINTR) {
			const timespec pause = {0, 50000000};
			nanosleep(&pause, nullptr);
		}
	}

	// What has been typed on a terminal and not read; -1 once it is hung up.
	static int Typed()
	{
		int typed = 0;
		return ioctl(STDIN_FILENO, FIONREAD, &typed) == 0 ? typed : -1;
	}

	// Room for any message, reserved but not touched: the pages cost only
	// as the message fills them.
	void Reserve()
	{
		for (const std::uint64_t size : {std::uint64_t{1} << 31, std::uint64_t{1} << 16}) {
			if (size > SIZE_MAX / 2)
				continue;
			void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE,
				MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
			if (map != MAP_FAILED) {
				data = static_cast<char*>(map);
				room = size;
				return;
			}
		}
	}

	// A line or a message ends the number it holds.
	bool Records() const
	{
		return kind == Lines || kind == Messages;
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
			return read(STDIN_FILENO, data, room);
		case Messages:
			break;
		}
		// One receive takes one message whole: a length asked first may
		// be another reader's message, or skewed by the peek offset.
		const ssize_t got = recv(STDIN_FILENO, data, room, MSG_TRUNC);
		if (got > static_cast<ssize_t>(room)) {
			// Its tail is gone, and the next message is not it.
			ended = true;
			return static_cast<ssize_t>(room);
		}
		return got;
	}

	// Non-blocking: no data yet is not the end of input. Waiting, rather
	// than clearing O_NONBLOCK, leaves the flags that other holders of the
	// file share untouched. A datagram socket reports an earlier send's
	// "port unreachable" once, ahead of what is queued.
	bool Retry() const
	{
		if (errno == EINTR || (kind == Messages && errno == ECONNREFUSED))
			return true;
		if (errno != EAGAIN && errno != EWOULDBLOCK)
			return false;
		Wait();
		return true;
	}

	int_type underflow() override
	{
		// The next line or message is not the rest of this one's number.
		if (ended || (begun && Records()))
			return traits_type::eof();
		ssize_t got;
		while ((got = Read()) == -1 && Retry())
			;
		if (got <= 0) {
			ended = true;
			return traits_type::eof();
		}
		setg(data, data, data + got);
		for (char* c = data; Records() && !begun && c != egptr(); ++c)
			begun = !(*c == ' ' || (*c >= '\t' && *c <= '\r'));
		return traits_type::to_int_type(*data);
	}

	int sync() override
	{
		if (kind == Blocks) {
			lseek(STDIN_FILENO, gptr() - egptr(), SEEK_CUR);
			setg(data, data, data);
		} else if (kind == Raw) {
			// The rest of the answer's line must not reach the shell as a
			// command, but lines typed ahead stay for it. Only what has been
			// typed is taken, so nothing is waited for. Enter sends a
			// carriage return on a raw terminal, a paste may end in a line
			// feed.
			while (!ended && egptr()[-1] != '\n' && egptr()[-1] != '\r' && Typed() > 0)
				underflow();
		}
		return 0;
	}

      public:
	Stdin()
	{
		if (kind == Messages)
			Reserve();
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
