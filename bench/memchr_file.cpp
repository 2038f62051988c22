// tavir-memchr-file: the floor for a scan of a whole file on some threads, as a process, for
// bench/compare_cli.sh to set beside tavir-cli: the file mapped read-only (as a scan maps it),
// cut into equal parts, each part looked through by one thread with memchr for a byte the
// quotations never hold. Nothing is printed; a found byte fails.
#include "bench/tool_options.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
constexpr const char* kUsage = "usage: tavir-memchr-file PATH [THREADS]\n";
} // namespace

int main(int argc, char** argv)
{
    if (const int status = tavir::bench::answerOptions(argc, argv, kUsage); status >= 0)
        return status;
    unsigned threads = 1;
    if (argc < 2 || argc > 3 ||
        (argc == 3 &&
         (std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), threads).ec != std::errc() ||
          threads == 0))) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size <= 0) {
        std::fprintf(stderr, "Cannot open file %s\n", argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    void* const pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (pages == MAP_FAILED) {
        std::fprintf(stderr, "Cannot map file %s\n", argv[1]);
        return 1;
    }
    const char* const text = static_cast<const char*>(pages);
    std::vector<int> found(threads, 0);
    const auto part = [&](unsigned k) {
        const std::size_t begin = size / threads * k;
        const std::size_t end = k + 1 == threads ? size : size / threads * (k + 1);
        found[k] = std::memchr(text + begin, '\x01', end - begin) != nullptr;
    };
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < threads; ++k)
        helpers.emplace_back(part, k);
    part(0);
    for (std::thread& helper : helpers)
        helper.join();
    ::munmap(pages, size);
    for (const int hit : found)
        if (hit) {
            std::fputs("the file holds the byte 0x01\n", stderr);
            return 1;
        }
    return 0;
}
