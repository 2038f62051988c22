#include "cli/import_command.h"

#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "cli/output.h"
#include "quotes/file_places.h"

#include <cstdio>
#include <exception>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace tavir {

namespace {

std::string readStandardInput()
{
    std::string bytes;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = readSome(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0)
            throw cannotOpenFile("-");
        if (n == 0)
            return bytes;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string readWholeFile(const std::string& path)
{
    if (path == "-")
        return readStandardInput();
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
        } else if (arg == "--install") {
            options.install = true;
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
    if (options.files.empty() || (options.install && !options.output.empty()))
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
        const std::string output = options.install ? userCollectionFile() : options.output;
        if (output.empty()) {
            cli::writeOutput(collection);
        } else if ((options.install && !makeParentFolders(output)) ||
                   !replaceFileContents(output, collection)) {
            throw unableToWriteTo(output);
        }
        std::string summary = import.summary();
        if (options.install)
            summary += "installed as: " + output + "\n";
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
