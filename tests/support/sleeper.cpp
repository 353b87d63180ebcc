// A program for tests that need a real executable running under a name of
// theirs (a Corvane.exe in use): sleeps for the seconds given, then exits.
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char* argv[])
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}
