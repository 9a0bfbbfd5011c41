#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <streambuf>

#include <poll.h>
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
	std::unique_ptr<char[]> large;
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
		if (tcgetattr(STDIN_FILENO, &modes) == 0)
			return modes.c_lflag & ICANON ? Lines : Raw;
		int type;
		socklen_t length = sizeof type;
		if (getsockopt(STDIN_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) == 0 &&
			(type == SOCK_DGRAM || type == SOCK_SEQPACKET))
			return Messages;
		return Bytes;
	}

	static int Wait(int timeout)
	{
		pollfd fd = {STDIN_FILENO, POLLIN, 0};
		return poll(&fd, 1, timeout);
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
			// With VMIN at 0 a read that finds nothing typed returns 0,
			// which is not the end of input.
			Wait(-1);
			return read(STDIN_FILENO, data, 1);
		case Blocks:
		case Lines:
			return read(STDIN_FILENO, data, room);
		case Messages:
			break;
		}
		// A message must be read whole, or the kernel drops its tail.
		const ssize_t length = recv(STDIN_FILENO, nullptr, 0, MSG_PEEK | MSG_TRUNC);
		if (length == -1)
			return -1;
		const auto size = static_cast<std::size_t>(length);
		if (size > room) {
			if (char* more = new (std::nothrow) char[size]) {
				large.reset(more);
				data = more;
				room = size;
			}
		}
		return recv(STDIN_FILENO, data, room, 0);
	}

	// Non-blocking: no data yet is not the end of input. Polling, rather than
	// clearing O_NONBLOCK, leaves the flags that other holders of the file
	// share untouched.
	static bool Retry()
	{
		if (errno == EINTR)
			return true;
		if (errno != EAGAIN && errno != EWOULDBLOCK)
			return false;
		Wait(-1);
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
			// carriage return on a raw terminal.
			while (!ended && egptr()[-1] != '\n' && egptr()[-1] != '\r' && Wait(0) == 1)
				underflow();
		}
		return 0;
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
