// tavir-gen-quotes: writes the benchmarks' generated quotation collection to a file.
#include "bench/quote_generator.h"
#include "bench/tool_options.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {
constexpr const char* kUsage = "usage: tavir-gen-quotes PATH [QUOTATIONS]\n";
} // namespace

int main(int argc, char** argv)
{
    if (const int status = tavir::bench::answerOptions(argc, argv, kUsage); status >= 0)
        return status;
    std::size_t quotations = tavir::bench::kDefaultQuotations;
    if (argc == 3) {
        const std::string_view text = argv[2];
        const auto [end, error] =
            std::from_chars(text.data(), text.data() + text.size(), quotations);
        if (error != std::errc() || end != text.data() + text.size())
            argc = 0;
    }
    if (argc != 2 && argc != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // Written beside the target and renamed, so a script never finds a half-written file.
    const std::filesystem::path path = argv[1];
    std::filesystem::path partial = path;
    partial += ".partial";
    const std::string bytes = tavir::bench::generateQuotes(quotations);
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", partial.c_str());
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::fprintf(stderr, "cannot rename to %s: %s\n", path.c_str(), error.message().c_str());
        return 1;
    }
    return 0;
}
