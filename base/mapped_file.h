#pragma once

#include <cstddef>

namespace tavir {

// A file mapped read-only, to be read without copying it. Should another program shorten the
// file while it is mapped, touching a page past its new end would raise SIGBUS and end the
// process; here such a page is replaced by one of zero bytes (a NUL, which ends the text for
// every reader of quotation files) and cut() turns true. The guard is a SIGBUS handler
// installed once per process; a SIGBUS outside every live mapping goes to the handler that
// was there before.
class MappedFile
{
public:
    MappedFile() = default;
    // Maps `size` bytes of an open file; valid() is false when it cannot be mapped.
    MappedFile(int fd, std::size_t size);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool valid() const { return data_ != nullptr; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Whether some page was found past the end of the file.
    bool cut() const;

    // Maps the pages of [offset, offset + length) at once rather than a fault at a time.
    // Returns false when some of them lie past the end of the file (cut() is true then).
    bool populate(std::size_t offset, std::size_t length);
    // Gives back the whole pages of [offset, offset + length); they are read again from the
    // file if touched later. Keeps the memory of a long pass over the file small.
    void release(std::size_t offset, std::size_t length);

    static std::size_t pageSize();

private:
    void unmap();

    char* data_ = nullptr;
    std::size_t size_ = 0;
    int slot_ = -1; // in the bus-error guard's table
};

} // namespace tavir
