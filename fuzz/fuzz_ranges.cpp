// The command line's search and count of a file cut into ranges and scanned on two to four
// threads, and the window's search of the same text as a collection in ranges, against the
// simple reference: wherever the cuts fall (hits beside a cut, CR LF split by one, a NUL in any
// range, the last line).
// Input: two parameter bytes (how often the file is cut, on how many threads), then query
// 0x1F quotation file bytes.
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_check.h"
#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/parallel_scan.h"
#include "quotes/queries.h"
#include "tests/support/reference_rows.h"

#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using tavir::fuzz::check;

// The file in memory, named by its descriptor.
class MemoryFile
{
public:
    explicit MemoryFile(std::string_view bytes) : fd_(::memfd_create("tavir-fuzz", MFD_CLOEXEC))
    {
        check(fd_ >= 0, "memfd_create");
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            check(n > 0, "writing the file");
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const auto parts = tavir::fuzz::fields(tavir::fuzz::bytesOf(data + 2, size - 2), 1);
    const std::string_view query = parts[0], file = parts[1];
    if (file.empty())
        return 0; // nothing to map: the single-threaded path's
    tavir::ScanThreads options;
    options.count = 2 + data[1] % 3;
    options.threshold = 0;
    options.rangeSize = 1 + data[0] % 64;
    const std::vector<std::string> expected = tavir::test::referenceRows(file, query);

    // The window's search, its rows delivered a few lines at a time.
    const auto quotes = tavir::QuoteCollection::fromBytes(std::string(file));
    tavir::PumpPolicy policy;
    policy.interval = {};
    policy.linesPerCheck = 1 + data[0] % 5;
    policy.threads = options;
    tavir::fuzz::CopiedRows window;
    tavir::NoWaitIndicator wait;
    tavir::NoEventPump pump;
    tavir::FiltrujDane(quotes, query, window, wait, pump, policy);
    check(window.rows == expected, "the window's rows in ranges");

    const MemoryFile memory(file);

    std::string out;
    const auto format = [](std::string& to, std::string_view row) {
        to += row;
        to += '\n';
    };
    const auto write = [&](std::string_view bytes) { out += bytes; };
    // A file of one range is left to the single-threaded path.
    const bool inRanges = options.threadsFor(file.size()) > 1;
    check(tavir::searchFileInRanges(memory.path(), query, tavir::asciiFoldTable(), format, write,
                                    options) == inRanges,
          "a file of several ranges took one thread, or one of a single range took more");
    if (!inRanges)
        return 0;
    std::vector<std::string> rows;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at);
        rows.push_back(out.substr(at, end - at));
        at = end + 1;
    }
    check(rows == expected, "rows in ranges");
    check(tavir::countFileLinesInRanges(memory.path(), options) == quotes.lineCount(),
          "lines counted in ranges");
    return 0;
}
