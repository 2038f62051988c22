#include "base/errors.h"
#include "quotes/exports.h"
#include "quotes/file_places.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using tavir::FilePlaces;
using tavir::UserFolders;
using tavir::test::TempDir;

namespace {

// Sets or clears environment variables for one test and puts the old values back.
class ScopedEnvironment
{
public:
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    void set(const char* name, const std::optional<std::string>& value)
    {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct Layout
{
    bool besideProgram;
    std::string settings;
    std::string print;
};

Layout layoutOf(const FilePlaces& places)
{
    return {places.besideTheProgram(), places.settingsFile(), places.printFile()};
}

} // namespace

TEST(UserFolders, XdgVariablesWhenAbsoluteElseTheHomeFolder)
{
    ScopedEnvironment environment;
    environment.set("HOME", "/home/ala");

    environment.set("XDG_CONFIG_HOME", "/srv/conf");
    environment.set("XDG_CACHE_HOME", "/srv/cache/");
    UserFolders folders = UserFolders::fromEnvironment();
    EXPECT_EQ(folders.configHome, "/srv/conf");
    EXPECT_EQ(folders.cacheHome, "/srv/cache/");

    environment.set("XDG_CONFIG_HOME", std::nullopt);
    environment.set("XDG_CACHE_HOME", std::nullopt);
    folders = UserFolders::fromEnvironment();
    EXPECT_EQ(folders.configHome, "/home/ala/.config");
    EXPECT_EQ(folders.cacheHome, "/home/ala/.cache");

    // Empty or relative values are to be ignored.
    environment.set("XDG_CONFIG_HOME", "");
    environment.set("XDG_CACHE_HOME", "cache");
    folders = UserFolders::fromEnvironment();
    EXPECT_EQ(folders.configHome, "/home/ala/.config");
    EXPECT_EQ(folders.cacheHome, "/home/ala/.cache");

    environment.set("HOME", "/");
    EXPECT_EQ(UserFolders::fromEnvironment().configHome, "/.config");
}

TEST(FilePlaces, WritableDataFolderKeepsEverythingBesideTheProgram)
{
    TempDir dir;
    const std::string app = dir.path().string() + "/";
    fs::create_directories(dir.file("dane"));
    FilePlaces places = FilePlaces::choose(app, {dir.file("conf"), dir.file("cache")});
    EXPECT_TRUE(places.besideTheProgram());
    EXPECT_EQ(places.settingsFile(), app + "dane/konfiguracja.ini");
    EXPECT_EQ(places.settingsToRead(), places.settingsFile());
    EXPECT_EQ(places.printFile(), app + "TaViR.txt");
    places.prepareSettingsFile();
    EXPECT_FALSE(fs::exists(dir.file("conf")));
    EXPECT_FALSE(fs::exists(dir.file("cache")));
}

TEST(FilePlaces, ReadOnlyDataFolderSendsTheFilesToTheUserFolders)
{
    TempDir dir;
    fs::permissions(dir.path(), static_cast<fs::perms>(0755));
    const std::string app = dir.file("usr/lib/tavir") + "/";
    fs::create_directories(dir.file("usr/lib/tavir/dane"));
    fs::create_directories(dir.file("home"));
    tavir::test::handToNobody(dir.file("home"), 0755);
    fs::permissions(dir.file("usr"), static_cast<fs::perms>(0755));
    fs::permissions(dir.file("usr/lib"), static_cast<fs::perms>(0755));
    fs::permissions(dir.file("usr/lib/tavir"), static_cast<fs::perms>(0755));
    fs::permissions(dir.file("usr/lib/tavir/dane"), static_cast<fs::perms>(0555));

    const auto outcome = tavir::test::runAsNobody([&] {
        FilePlaces places =
            FilePlaces::choose(app, {dir.file("home/.config"), dir.file("home/.cache")});
        std::string report = places.besideTheProgram() ? "beside\n" : "user\n";
        report += places.settingsFile() + "\n" + places.printFile() + "\n";
        report += places.settingsToRead() + "\n";
        places.prepareSettingsFile();
        struct stat info
        {
        };
        report += ::stat(dir.file("home/.config/tavir").c_str(), &info) == 0
                      ? std::to_string(info.st_mode & 0777) + "\n"
                      : std::string("no folder\n");
        return report;
    });
    fs::permissions(dir.file("usr/lib/tavir/dane"), static_cast<fs::perms>(0755));
    if (!outcome)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    const std::string settings = dir.file("home/.config/tavir/konfiguracja.ini");
    EXPECT_EQ(*outcome, "user\n" + settings + "\n" + dir.file("home/.cache/tavir/TaViR.txt") +
                            "\n" + settings + "\n" + std::to_string(0700) + "\n");
    EXPECT_FALSE(fs::exists(settings)) << "preparing makes the folder, not the file";
    EXPECT_FALSE(fs::exists(dir.file("home/.cache")));
}

TEST(FilePlaces, MissingDataFolderCountsAsReadOnly)
{
    TempDir dir;
    const std::string app = dir.path().string() + "/";
    const Layout layout = layoutOf(FilePlaces::choose(app, {"/c", "/k"}));
    EXPECT_FALSE(layout.besideProgram);
    EXPECT_EQ(layout.settings, "/c/tavir/konfiguracja.ini");
    EXPECT_EQ(layout.print, "/k/tavir/TaViR.txt");
}

TEST(FilePlaces, ShippedSettingsAreTheStartingValues)
{
    TempDir dir;
    const std::string app = dir.path().string() + "/";
    const std::string shipped = dir.write("dane/konfiguracja.ini", "[MainFrm]\r\nleft=7\r\n");
    const UserFolders user{dir.file("conf"), dir.file("cache")};
    const std::string own = dir.file("conf/tavir/konfiguracja.ini");

    // Read from dane/ until the user has a file of their own; the first write starts from it,
    // so keys the program never writes survive.
    FilePlaces places = FilePlaces::inUserFolders(app, user);
    EXPECT_EQ(places.settingsFile(), own);
    EXPECT_EQ(places.settingsToRead(), shipped);
    EXPECT_EQ(places.startingSettings(), shipped);
    places.prepareSettingsFile();
    EXPECT_TRUE(fs::is_directory(dir.file("conf/tavir")));
    places.settingsWritten();
    EXPECT_EQ(places.settingsToRead(), own);
    EXPECT_EQ(places.startingSettings(), "");

    // Once anything is there in the user's place, even what reads as missing, the shipped file
    // is neither read nor a start.
    ASSERT_EQ(::mkfifo(own.c_str(), 0600), 0);
    FilePlaces again = FilePlaces::inUserFolders(app, user);
    EXPECT_EQ(again.settingsToRead(), own);
    EXPECT_EQ(again.startingSettings(), "");
    EXPECT_EQ(TempDir::read(shipped), "[MainFrm]\r\nleft=7\r\n");

    // Beside the program the shipped file is the settings file itself.
    EXPECT_EQ(FilePlaces::besideProgram(app).settingsToRead(), shipped);
}

TEST(FilePlaces, FoldersAreMadeWhenFirstWritten)
{
    TempDir dir;
    const std::string print = dir.file("cache/deep/tavir/TaViR.txt");
    EXPECT_EQ(tavir::writePrintFile(print, {"A"}), print);
    EXPECT_EQ(TempDir::read(print).substr(0, 3), "A\r\n");

    // A file standing where a folder must go: no folder, and the write reports the path.
    dir.write("blocked", "x");
    EXPECT_FALSE(tavir::makeParentFolders(dir.file("blocked/tavir/TaViR.txt")));
    try {
        (void)tavir::writePrintFile(dir.file("blocked/tavir/TaViR.txt"), {"A"});
        ADD_FAILURE() << "no error";
    } catch (const tavir::Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file " + dir.file("blocked/tavir/TaViR.txt"));
    }
    EXPECT_TRUE(tavir::makeParentFolders("TaViR.txt"));
}

// Where the quotations are read from: --file, else $TAVIR_FILE, else the user's own collection
// when something is there, else the shipped one.
TEST(CollectionPlace, GivenThenVariableThenTheUsersOwnThenTheShippedOne)
{
    TempDir dir;
    ScopedEnvironment environment;
    environment.set("HOME", dir.file("home"));
    environment.set("XDG_DATA_HOME", dir.file("data"));
    environment.set("TAVIR_FILE", std::nullopt);
    const std::string app = dir.file("app") + "/";
    const std::string shipped = app + "dane/cytaty/cytaty.dbc";
    const std::string own = dir.file("data/tavir/cytaty.dbc");
    EXPECT_EQ(tavir::userCollectionFile(), own);

    EXPECT_EQ(tavir::collectionToRead(app), shipped);
    dir.write("data/tavir/cytaty.dbc", "moje\r\nkoniec\r\n");
    EXPECT_EQ(tavir::collectionToRead(app), own);
    environment.set("TAVIR_FILE", "/srv/cytaty.dbc");
    EXPECT_EQ(tavir::collectionToRead(app), "/srv/cytaty.dbc");
    EXPECT_EQ(tavir::collectionToRead(app, std::string("inny.dbc")), "inny.dbc");
    // --file "" is a name of its own (which cannot be opened); an empty variable counts as unset.
    EXPECT_EQ(tavir::collectionToRead(app, std::string()), "");
    environment.set("TAVIR_FILE", "");
    EXPECT_EQ(tavir::collectionToRead(app), own);
}

TEST(CollectionPlace, TheUsersOwnIsUnderTheDataHome)
{
    TempDir dir;
    ScopedEnvironment environment;
    environment.set("HOME", "/home/ala");
    environment.set("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(tavir::userCollectionFile(), "/srv/data/tavir/cytaty.dbc");
    // A relative path is no XDG folder.
    for (const std::optional<std::string>& unusable :
         {std::optional<std::string>("data"), std::optional<std::string>(""),
          std::optional<std::string>()}) {
        environment.set("XDG_DATA_HOME", unusable);
        EXPECT_EQ(tavir::userCollectionFile(), "/home/ala/.local/share/tavir/cytaty.dbc");
    }

    // Something there that is no file is still the user's: reading it then says what is wrong.
    environment.set("XDG_DATA_HOME", dir.file("data"));
    environment.set("TAVIR_FILE", std::nullopt);
    fs::create_directories(dir.file("data/tavir/cytaty.dbc"));
    EXPECT_EQ(tavir::collectionToRead("/app/"), dir.file("data/tavir/cytaty.dbc"));
    // A link to nothing is nothing there.
    fs::remove(dir.file("data/tavir/cytaty.dbc"));
    fs::create_symlink(dir.file("none"), dir.file("data/tavir/cytaty.dbc"));
    EXPECT_EQ(tavir::collectionToRead("/app/"), "/app/dane/cytaty/cytaty.dbc");
}
