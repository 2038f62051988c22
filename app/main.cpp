#include "app/program.h"

int main(int argc, char** argv)
{
    return tavir::runProgram(argc > 0 ? argv[0] : nullptr);
}
