// The import on any bytes: whatever comes in, what goes out is a collection the program can
// read back line for line, the counts add up, and a file read in small blocks gives the same.
#include "fuzz/fuzz_support.h"
#include "quotes/collection.h"
#include "quotes/import.h"

#include <set>
#include <string>

namespace {

using tavir::ImportEncoding;
using tavir::ImportFormat;
using tavir::fuzz::check;

bool isUndefinedOrControl(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x83 || byte == 0x88 ||
           byte == 0x90 || byte == 0x98;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the format and encoding, each given or left to detection.
    const int choice = data[0];
    const std::optional<ImportFormat> formats[] = {std::nullopt, ImportFormat::Fortune,
                                                   ImportFormat::Lines};
    const std::optional<ImportEncoding> encodings[] = {
        std::nullopt, ImportEncoding::Utf8, ImportEncoding::Iso88592, ImportEncoding::Windows1250};
    const auto parts = tavir::fuzz::fields(tavir::fuzz::bytesOf(data + 1, size - 1), 1);

    tavir::QuoteImport import;
    // The same fed to the stream in blocks of 1 to 8 bytes.
    tavir::StringImportSink blocks;
    tavir::ImportStream stream(blocks);
    const std::size_t blockSize = std::size_t(choice / 12 % 8) + 1;
    for (const auto part : parts) {
        const auto format = formats[choice % 3];
        const auto encoding = encodings[(choice / 3) % 4];
        const auto detected = tavir::detectImportEncoding(part);
        if (!encoding && !detected.encoding) {
            check(detected.line > 0, "a refusal names its line");
            continue;
        }
        import.addFile(part, format, encoding);
        stream.beginFile(format.value_or(tavir::detectImportFormat(part)),
                         encoding.value_or(*detected.encoding));
        for (std::size_t at = 0; at < part.size(); at += blockSize)
            stream.add(part.substr(at, blockSize));
        stream.endFile();
    }
    const std::string file = import.collection();
    stream.finish();
    check(blocks.bytes() == file, "blocks read as the whole file");
    const auto& counts = import.counts();

    check(counts.read == counts.written + counts.empty + counts.duplicates, "counts add up");
    check(file.ends_with(std::string(tavir::kImportClosingLine) + "\r\n"), "closing line last");
    const auto quotes = tavir::QuoteCollection::fromBytes(file);
    check(quotes.lineCount() == counts.written + 1, "one line per entry written");
    check(quotes.text().size() == file.size(), "no NUL");
    std::set<std::string_view> seen;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < quotes.quotationCount(); ++i) {
        const std::string_view line = quotes.line(i);
        bytes += line.size() + 2;
        check(!line.empty(), "no empty line");
        check(line.front() != ' ' && line.back() != ' ', "no space at either end");
        check(line.find("  ") == std::string_view::npos, "no doubled space");
        for (const char c : line)
            check(!isUndefinedOrControl(static_cast<unsigned char>(c)), "Windows-1250 text");
        check(seen.insert(line).second, "no duplicate");
    }
    check(bytes + tavir::kImportClosingLine.size() + 2 == file.size(), "CR LF after every line");
    return 0;
}
