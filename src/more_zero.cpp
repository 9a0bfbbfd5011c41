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

	// Empty input stores nothing; it then reads as zero, like input with no digit.
	int number = 0;
	std::cout << "give a number:";
	std::cin >> number;
	Moreless(number);
}

int main()
{
	Input();
}
