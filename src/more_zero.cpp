#include <csignal>
#include <cstdlib>
#include <iostream>

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
	// A reader that has gone must cost the prompt, not the answer.
	std::signal(SIGPIPE, SIG_IGN);
	// C stdio is never used, and unsynced streams read a buffer at a time
	// rather than a character.
	std::ios_base::sync_with_stdio(false);

	// Empty input stores nothing; it then reads as zero, like input with no digit.
	int number = 0;
	std::cout << "give a number:";
	std::cin >> number;
	// The buffer may have read past the number; give that back to whoever
	// reads a seekable stdin next.
	std::streambuf* in = std::cin.rdbuf();
	in->pubseekpos(in->pubseekoff(0, std::ios_base::cur, std::ios_base::in), std::ios_base::in);
	Moreless(number);
}

int main()
{
	Input();
}
