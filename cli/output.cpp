#include "cli/output.h"

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
    while (!bytes.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw OutputFailed(n < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace tavir::cli
