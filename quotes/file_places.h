#pragma once

#include <optional>
#include <string>

namespace tavir {

// The user's own folders for what a program writes (the XDG base directories).
struct UserFolders
{
    std::string configHome; // settings: $XDG_CONFIG_HOME, by default ~/.config
    std::string cacheHome;  // throw-away files: $XDG_CACHE_HOME, by default ~/.cache

    // A variable counts only when it holds an absolute path; the home folder is $HOME, or the
    // password entry's when that is unset.
    static UserFolders fromEnvironment();
};

// Where the settings file and the print file live. Decided once at start-up: beside the
// program when its data folder dane/ can be written (the portable folder, the build folder),
// in the user's folders when it cannot (a system install). Reading and writing ask the same
// object, so they never disagree.
class FilePlaces
{
public:
    // `applicationFolder` ends in a separator.
    static FilePlaces choose(const std::string& applicationFolder, const UserFolders& user);
    static FilePlaces choose(const std::string& applicationFolder);

    // The two layouts, for a caller that knows which one it wants.
    static FilePlaces besideProgram(const std::string& applicationFolder);
    static FilePlaces inUserFolders(const std::string& applicationFolder, const UserFolders& user);

    bool besideTheProgram() const { return besideProgram_; }
    // The settings file written at close.
    const std::string& settingsFile() const { return settingsFile_; }
    // Where the settings are read from: the settings file, or, in the user's folders while
    // nothing at all is there (a FIFO there is the settings file, one that reads as missing), a
    // settings file shipped in the program's dane/ as the starting values.
    const std::string& settingsToRead() const;
    // That shipped file while it gives the starting values, else empty. The first write starts
    // from it under its own lock, so keys the program does not write survive.
    const std::string& startingSettings() const { return startingSettings_; }
    const std::string& printFile() const { return printFile_; }

    // Before the settings are written: makes the settings file's folder. Failures show as the
    // write's own error that follows.
    void prepareSettingsFile();
    // After the settings file was written: it holds the starting values now and is read from.
    void settingsWritten() { startingSettings_.clear(); }

private:
    bool besideProgram_ = true;
    std::string settingsFile_;
    std::string startingSettings_;
    std::string printFile_;
};

// Creates the missing folders leading to `path`; false when they cannot be made.
bool makeParentFolders(const std::string& path);

// The user's own quotation collection, which `tavir-cli import --install` writes:
// $XDG_DATA_HOME/tavir/cytaty.dbc (the variable counts only when it holds an absolute path), by
// default ~/.local/share/tavir/cytaty.dbc.
std::string userCollectionFile();

// The quotation file the window and tavir-cli read, the first that applies: `given` (tavir-cli's
// --file, even an empty one); the variable TAVIR_FILE when it is set and not empty; the user's
// own collection when something is there; the collection shipped in the program's dane/.
// `applicationFolder` ends in a separator.
std::string collectionToRead(const std::string& applicationFolder,
                             const std::optional<std::string>& given = std::nullopt);

} // namespace tavir
