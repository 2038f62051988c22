// A write into any settings file, then reads: the value written reads back (cut at its first
// line break, trimmed, one pair of quotes off, at most 2047 bytes), every other value reads as
// before, every line but the one written survives byte for byte, and no temporary file stays.
// Input: section 0x1F key 0x1F value 0x1F probe section 0x1F probe key 0x1F file bytes.
#include "base/errors.h"
#include "fuzz/fuzz_support.h"
#include "settings/profile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

using namespace tavir::fuzz;
namespace fs = std::filesystem;
namespace profile = tavir::profile;

constexpr std::string_view kMissing = "\n<missing>";

// One folder per process, inside $TAVIR_FUZZ_TMP when set (the fuzz script makes one and
// removes it: libFuzzer ends without running exit handlers), else on a memory file system.
const fs::path& folder()
{
    static const fs::path path = [] {
        const char* given = std::getenv("TAVIR_FUZZ_TMP");
        const fs::path base = given && *given                ? fs::path(given)
                              : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                             : fs::temp_directory_path();
        fs::path made = base / ("tavir-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(made);
        std::atexit([] { fs::remove_all(folder()); });
        return made;
    }();
    return path;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string expectedValue(std::string_view value)
{
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    while (!value.empty() && isIniBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isIniBlank(value.back()))
        value.remove_suffix(1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, profile::kMaxValueLength));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fields(bytesOf(data, size), 5);
    const std::string_view section = parts[0], key = parts[1], value = parts[2];
    const std::string_view probeSection = parts[3], probeKey = parts[4], old = parts[5];
    if (!writableSection(section) || !writableKey(key))
        return 0;

    const fs::path file = folder() / "konfiguracja.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(old.data(), static_cast<std::streamsize>(old.size()));
    }
    const std::string path = file.string();
    const std::string probeBefore = profile::readString(path, probeSection, probeKey, kMissing);

    try {
        profile::writeString(path, section, key, value);
    } catch (const tavir::Error&) {
        check(false, "a write into a writable folder failed");
    }

    check(profile::readString(path, section, key, kMissing) == expectedValue(value),
          "the value written does not read back");
    const bool sameEntry =
        sameNameIgnoringCase(probeSection, section) && sameNameIgnoringCase(probeKey, key);
    check(profile::readString(path, probeSection, probeKey, kMissing) ==
              (sameEntry ? expectedValue(value) : probeBefore),
          "another value changed");

    // Whatever differs between the old and the new text lies inside one old line.
    const std::string now = readAll(file);
    std::size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    const std::string_view removed = old.substr(prefix, old.size() - prefix - suffix);
    check(removed.find_first_of("\r\n") == std::string_view::npos, "an untouched line changed");

    check(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()) == 1,
          "a temporary file stayed");
    return 0;
}
