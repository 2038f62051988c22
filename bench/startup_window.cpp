// The program's start-up, for bench/startup.sh: exactly what tavir does, ending as soon as
// its main window is on the screen.
#include "app/program.h"
#include "bench/screen_clock.h"

int main(int argc, char** argv)
{
    return tavir::runProgram(argc > 0 ? argv[0] : nullptr, printScreenClock);
}
