#include "cli/output.h"

#include "base/file_io.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace tavir::cli {

OutputFailed::OutputFailed(int error)
    : std::runtime_error(std::string("Cannot write output: ") + std::strerror(error))
{
}

OutputFailed::OutputFailed(int error, std::string_view path)
    : OutputFailed(path, std::strerror(error))
{
}

OutputFailed::OutputFailed(std::string_view path, std::string_view why)
    : std::runtime_error("Cannot write output to " + std::string(path) + ": " + std::string(why))
{
}

void writeOutput(std::string_view bytes)
{
    if (!writeAll(STDOUT_FILENO, bytes))
        throw OutputFailed(errno);
}

} // namespace tavir::cli
