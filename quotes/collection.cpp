#include "quotes/collection.h"

#include "base/errors.h"
#include "base/file_io.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace tavir {

namespace {

constexpr std::size_t kMapAtLeast = std::size_t(1) << 20;

} // namespace

TextBuffer::TextBuffer(std::size_t capacity) : capacity_(capacity)
{
    if (capacity >= kMapAtLeast) {
        void* pages =
            ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(pages, capacity, MADV_HUGEPAGE);
        data_ = static_cast<char*>(pages);
        mapped_ = true;
    } else {
        data_ = new char[capacity];
    }
}

TextBuffer::~TextBuffer()
{
    if (mapped_)
        ::munmap(data_, capacity_);
    else
        delete[] data_;
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, false))
{
}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept
{
    TextBuffer old(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    mapped_ = std::exchange(other.mapped_, false);
    return *this;
}

std::size_t countFileLines(const std::string& path)
{
    const OpenFile file = openRegularFile(path);
    if (!file.fd.valid())
        throw cannotOpenFile(path);
    LineCounter counter;
    std::vector<char> piece(std::size_t(1) << 16);
    for (;;) {
        const ssize_t n = readSome(file.fd.get(), piece.data(), piece.size());
        if (n < 0)
            throw cannotOpenFile(path);
        if (n == 0 || !counter.feed({piece.data(), static_cast<std::size_t>(n)}))
            return counter.lines();
    }
}

QuoteCollection QuoteCollection::fromFile(const std::string& path)
{
    // Read straight into a buffer of the file's size and a spare byte; it is copied into a
    // larger one only should the file grow while it is read.
    TextBuffer buffer;
    const FileRead read =
        readRegularFile(path, kNoSizeLimit, [&](std::size_t capacity, std::size_t filled) {
            TextBuffer larger(capacity);
            if (filled != 0)
                std::memcpy(larger.data(), buffer.data(), filled);
            buffer = std::move(larger);
            return buffer.data();
        });
    if (!read.ok())
        throw cannotOpenFile(path);
    return fromBuffer(std::move(buffer), read.size);
}

QuoteCollection QuoteCollection::fromBytes(std::string bytes)
{
    TextBuffer buffer(bytes.size() + 1);
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return fromBuffer(std::move(buffer), bytes.size());
}

QuoteCollection QuoteCollection::fromBuffer(TextBuffer buffer, std::size_t size)
{
    QuoteCollection collection;
    collection.text_ = std::move(buffer);
    collection.starts_ = lineStarts({collection.text_.data(), size}, &collection.size_);
    return collection;
}

std::size_t QuoteCollection::lineHolding(std::size_t offset, std::size_t first,
                                         std::size_t last) const
{
    // Kept throughout: line `below` begins at or before the offset, line `above` after it.
    std::size_t below = first;
    std::size_t above = last;
    // A guess from the lines' mean length between the two, then a gallop from it towards the
    // offset, then halving: a few reads of the table, near one another, however far the jump.
    const double share = static_cast<double>(offset - starts_[below]) /
                         static_cast<double>(starts_[above] - starts_[below]);
    const auto guess =
        std::clamp(below + static_cast<std::size_t>(share * static_cast<double>(above - below)),
                   below, above - 1);
    std::size_t step = 1;
    if (starts_[guess] <= offset) {
        below = guess;
        while (step < above - below && starts_[below + step] <= offset) {
            below += step;
            step *= 2;
        }
        if (step < above - below)
            above = below + step;
    } else {
        above = guess;
        while (step < above - below && starts_[above - step] > offset) {
            above -= step;
            step *= 2;
        }
        if (step < above - below)
            below = above - step;
    }
    while (above - below > 1) {
        const std::size_t middle = below + (above - below) / 2;
        if (starts_[middle] <= offset)
            below = middle;
        else
            above = middle;
    }
    return below;
}

void QuoteCollection::release()
{
    text_ = TextBuffer();
    size_ = 0;
    starts_ = LineTable();
    starts_.push_back(0);
}

} // namespace tavir
