#include "cli/import_command.h"

#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "cli/output.h"

#include <cstdio>
#include <exception>
#include <string_view>
#include <utility>

namespace tavir {

namespace {

std::string readWholeFile(const std::string& path)
{
    FileBytes file = readRegularFile(path, kNoSizeLimit);
    if (!file.ok())
        throw cannotOpenFile(path);
    return std::move(file.bytes);
}

} // namespace

std::optional<ImportOptions> parseImportArguments(int argc, char** argv)
{
    ImportOptions options;
    int i = 0;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--format" && hasValue) {
            options.format = importFormatFromName(argv[++i]);
            if (!options.format)
                return std::nullopt;
        } else if (arg == "--encoding" && hasValue) {
            options.encoding = importEncodingFromName(argv[++i]);
            if (!options.encoding)
                return std::nullopt;
        } else if (arg == "--output" && hasValue) {
            options.output = argv[++i];
            if (options.output.empty())
                return std::nullopt;
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.starts_with("--")) {
            return std::nullopt;
        } else {
            break;
        }
    }
    for (; i < argc; ++i)
        options.files.emplace_back(argv[i]);
    if (options.files.empty())
        return std::nullopt;
    return options;
}

int runImport(const ImportOptions& options)
{
    try {
        QuoteImport import;
        for (const std::string& file : options.files)
            import.addFile(readWholeFile(file), options.format, options.encoding);
        const std::string collection = import.collection();
        if (options.output.empty()) {
            cli::writeOutput(collection);
        } else if (!replaceFileContents(options.output, collection)) {
            throw unableToWriteTo(options.output);
        }
        const std::string summary = import.summary();
        std::fwrite(summary.data(), 1, summary.size(), stderr);
        return 0;
    } catch (const cli::OutputFailed& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

} // namespace tavir
