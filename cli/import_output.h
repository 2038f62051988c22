#pragma once

#include "quotes/import.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Where `tavir-cli import` writes: the collection is built in a temporary file, so that
// a failure anywhere leaves the output as it was, and then delivered whole.
namespace tavir::cli {

// A file the import writes to and reads back from, through a buffer. A failed write raises
// OutputFailed naming `name` (or none, for standard output).
class ImportFile final : public ImportSink
{
public:
    ImportFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    ~ImportFile() override;
    ImportFile(const ImportFile&) = delete;
    ImportFile& operator=(const ImportFile&) = delete;

    void write(std::string_view bytes) override;
    bool wrote(std::uint64_t offset, std::string_view bytes) override;
    void flush();
    int fd() const { return fd_; }
    [[noreturn]] void fail(int error) const;

private:
    int fd_;
    std::string name_;
    std::string buffer_;
};

// The output of an import, gathered first in a temporary file where temporary files go: a file
// given by path, replaced whole at the end by a FileReplacement (links followed, its
// permissions, owner and group kept, under its folder's write lock) or, when it exists and is no
// regular file, written through in place as a shell's redirection would: a character device
// (/dev/null, a terminal) or a FIFO with a reader. A FIFO without a reader, a socket, a block
// device or a folder is refused. With no path, standard output, written through too. Every
// failure raises OutputFailed.
class ImportOutput
{
public:
    // Opens or checks the output at once, so that a refusal comes before any reading.
    explicit ImportOutput(const std::string& path);
    ~ImportOutput();
    ImportOutput(const ImportOutput&) = delete;
    ImportOutput& operator=(const ImportOutput&) = delete;

    ImportSink& sink() { return *file_; }
    // Puts the collection in place.
    void deliver();

private:
    std::string path_;   // as given; empty for standard output
    std::string target_; // the file replaced, its links followed; empty when written through
    int through_ = -1;   // the descriptor written through, when not replaced
    bool ownsThrough_ = false;
    std::unique_ptr<ImportFile> file_;
};

// An unnamed file where temporary files go ($TMPDIR, else /tmp), for reading and writing.
int openTemporaryFile();
// Writes all of `bytes` to such a file.
void writeTemporary(int fd, std::string_view bytes);

} // namespace tavir::cli
