#pragma once

#include <stdexcept>
#include <string_view>

// Standard output with every write checked: output that cannot be delivered (a full disk, a
// closed descriptor, a reader gone away) is an error of its own, never a quiet success.
namespace tavir::cli {

// "Cannot write output: REASON"; the command then ends with exit status 3.
class OutputFailed : public std::runtime_error
{
public:
    explicit OutputFailed(int error);
    // "Cannot write output to PATH: REASON", for an output file.
    OutputFailed(int error, std::string_view path);
    // "Cannot write output to PATH: WHY", where no error number says it.
    OutputFailed(std::string_view path, std::string_view why);
};

// Writes all of `bytes` to standard output, or raises OutputFailed.
void writeOutput(std::string_view bytes);

} // namespace tavir::cli
