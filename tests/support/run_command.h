#pragma once

#include "tests/support/temp_dir.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace tavir::test {

struct CommandOutcome
{
    int status = -1; // the exit status, -1 when killed by a signal
    std::string out;
    std::string err; // only when an error file was given
};

// Runs a shell command line and reads its standard output. With `errFile`, standard error goes
// there and is read back (the file is then removed).
inline CommandOutcome runShell(std::string command, const std::string& errFile = {})
{
    if (!errFile.empty())
        command += " 2>'" + errFile + "'";
    CommandOutcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> chunk{};
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        outcome.out.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errFile.empty()) {
        outcome.err = TempDir::read(errFile);
        std::filesystem::remove(errFile);
    }
    return outcome;
}

} // namespace tavir::test
