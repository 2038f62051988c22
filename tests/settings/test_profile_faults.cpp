// A settings file that cannot be written: the old file stays byte for byte, no temporary file
// is left beside it, and the message is the system's.
#include "base/errors.h"
#include "settings/profile.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using tavir::test::TempDir;

namespace {

TEST(ProfileFaults, ReadOnlyFolderOrFileKeepsTheOldFile)
{
    using tavir::test::handToNobody;
    TempDir dir;
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    const std::string old = "[MainFrm]\r\nleft=1\r\n; by hand\r\n";
    // Only the folder stops the first write, only the file's bits the second.
    const std::string inReadOnlyFolder = dir.write("ro/konfiguracja.ini", old);
    const std::string readOnlyFile = dir.write("rw/konfiguracja.ini", old);
    handToNobody(inReadOnlyFolder, 0644);
    handToNobody(dir.file("ro"), 0555);
    handToNobody(dir.file("rw"), 0755);
    handToNobody(readOnlyFile, 0444);

    const auto outcome = tavir::test::runAsNobody([&] {
        std::string report;
        for (const std::string& path : {inReadOnlyFolder, readOnlyFile}) {
            try {
                tavir::profile::writeInteger(path, "MainFrm", "left", 2);
                report += "written\n";
            } catch (const tavir::Error& error) {
                report += std::string(error.what()) + "\n";
            }
        }
        return report;
    });
    fs::permissions(dir.file("ro"), fs::perms::owner_all, fs::perm_options::add);
    if (!outcome)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(*outcome, "Unable to write to " + inReadOnlyFolder + "\nUnable to write to " +
                            readOnlyFile + "\n");
    for (const std::string& path : {inReadOnlyFolder, readOnlyFile}) {
        EXPECT_EQ(TempDir::read(path), old);
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()),
                                fs::directory_iterator()),
                  1);
    }
}

} // namespace
