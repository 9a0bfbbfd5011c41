#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <streambuf>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Standard input, read no further than the number needs, so that whatever
// follows it is there for the next reader: a pipe can take nothing back, so
// it is read a byte at a time; a seekable file is read in blocks and the
// offset set back; a message socket is read a message at a time, since a
// message cannot be split, and longer ones lose their tail.
class Stdin : public std::streambuf {
	char buffer[8192];
	const bool seekable = lseek(STDIN_FILENO, 0, SEEK_CUR) != -1;
	const std::size_t size = seekable || Messages() ? sizeof buffer : 1;
	bool ended = false;

	static bool Messages()
	{
		int type;
		socklen_t length = sizeof type;
		return getsockopt(STDIN_FILENO, SOL_SOCKET, SO_TYPE, &type, &length) == 0 &&
			(type == SOCK_DGRAM || type == SOCK_SEQPACKET);
	}

	int_type underflow() override
	{
		ssize_t got;
		while ((got = read(STDIN_FILENO, buffer, size)) == -1) {
			if (errno == EINTR)
				continue;
			if (errno != EAGAIN && errno != EWOULDBLOCK)
				break;
			// Non-blocking: no data yet is not the end of input. Polling,
			// rather than clearing O_NONBLOCK, leaves the flags that other
			// holders of the file share untouched.
			pollfd fd = {STDIN_FILENO, POLLIN, 0};
			poll(&fd, 1, -1);
		}
		if (got <= 0) {
			ended = true;
			return traits_type::eof();
		}
		setg(buffer, buffer, buffer + got);
		return traits_type::to_int_type(*buffer);
	}

	int sync() override
	{
		if (seekable) {
			lseek(STDIN_FILENO, gptr() - egptr(), SEEK_CUR);
			setg(buffer, buffer, buffer);
		} else if (isatty(STDIN_FILENO)) {
			// The rest of the answer's line must not reach the shell as a
			// command; lines typed ahead stay for it. Only what has been typed
			// is taken: that is the whole line once any of it has been read,
			// and on a raw terminal no wait. A raw terminal, or text pasted
			// while the shell held it raw, ends lines with a carriage return.
			pollfd fd = {STDIN_FILENO, POLLIN, 0};
			while (!ended && (egptr() == nullptr || (egptr()[-1] != '\n' && egptr()[-1] != '\r')) &&
				poll(&fd, 1, 0) == 1)
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
