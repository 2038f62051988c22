#include "quotes/file_places.h"

#include "quotes/product.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavir {

namespace {

// In the user's folders the settings file keeps its name in a folder of the program's own.
constexpr std::string_view kUserFolder = "tavir";

std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string underFolder(std::string folder, std::string_view name)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder += name;
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Nothing there at all, links followed: no file, no FIFO, no folder.
bool isMissing(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
}

} // namespace

UserFolders UserFolders::fromEnvironment()
{
    UserFolders folders{absoluteVariable("XDG_CONFIG_HOME"), absoluteVariable("XDG_CACHE_HOME")};
    if (folders.configHome.empty())
        folders.configHome = underFolder(homeFolder(), ".config");
    if (folders.cacheHome.empty())
        folders.cacheHome = underFolder(homeFolder(), ".cache");
    return folders;
}

FilePlaces FilePlaces::choose(const std::string& applicationFolder, const UserFolders& user)
{
    // access() asks with the real user's rights, the ones the settings will be written with.
    const std::string data = std::filesystem::path(applicationFolder + std::string(kSettingsFile))
                                 .parent_path()
                                 .string();
    if (::access(data.c_str(), W_OK | X_OK) == 0)
        return besideProgram(applicationFolder);
    return inUserFolders(applicationFolder, user);
}

FilePlaces FilePlaces::choose(const std::string& applicationFolder)
{
    return choose(applicationFolder, UserFolders::fromEnvironment());
}

FilePlaces FilePlaces::besideProgram(const std::string& applicationFolder)
{
    FilePlaces places;
    places.settingsFile_ = applicationFolder + std::string(kSettingsFile);
    places.printFile_ = applicationFolder + std::string(kPrintFile);
    return places;
}

FilePlaces FilePlaces::inUserFolders(const std::string& applicationFolder, const UserFolders& user)
{
    FilePlaces places;
    places.besideProgram_ = false;
    const std::string shipped = applicationFolder + std::string(kSettingsFile);
    places.settingsFile_ = underFolder(underFolder(user.configHome, kUserFolder),
                                       std::filesystem::path(shipped).filename().string());
    places.printFile_ = underFolder(underFolder(user.cacheHome, kUserFolder), kPrintFile);
    if (isMissing(places.settingsFile_) && isFile(shipped))
        places.startingSettings_ = shipped;
    return places;
}

const std::string& FilePlaces::settingsToRead() const
{
    return startingSettings_.empty() ? settingsFile_ : startingSettings_;
}

void FilePlaces::prepareSettingsFile()
{
    if (!besideProgram_)
        makeParentFolders(settingsFile_);
}

bool makeParentFolders(const std::string& path)
{
    // Each missing folder private to the user, as the XDG folders are meant to be.
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::filesystem::path folder;
    std::error_code error;
    for (const std::filesystem::path& part : parent) {
        folder /= part;
        if (::mkdir(folder.c_str(), 0700) != 0 && !std::filesystem::is_directory(folder, error))
            return false;
    }
    return true;
}

std::string userCollectionFile()
{
    std::string dataHome = absoluteVariable("XDG_DATA_HOME");
    if (dataHome.empty())
        dataHome = underFolder(homeFolder(), ".local/share");
    return underFolder(underFolder(dataHome, kUserFolder),
                       std::filesystem::path(kQuoteFile).filename().string());
}

std::string collectionToRead(const std::string& applicationFolder,
                             const std::optional<std::string>& given)
{
    if (given)
        return *given;
    if (const char* named = std::getenv("TAVIR_FILE"); named && named[0] != '\0')
        return named;
    // Whatever is there, even what cannot be read: its error then says why, rather than the
    // shipped collection standing in for it unseen.
    std::error_code error;
    if (std::string own = userCollectionFile(); std::filesystem::exists(own, error))
        return own;
    return applicationFolder + std::string(kQuoteFile);
}

} // namespace tavir
