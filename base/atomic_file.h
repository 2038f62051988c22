#pragma once

#include <string>
#include <string_view>

namespace tavir {

// The file a write to `path` lands on: symbolic links followed, each hop relative to the
// folder of its link, to their final target (which need not exist yet). `path` itself when
// it is no link, or when the links go round in a loop.
std::string finalTarget(const std::string& path);

// One read-modify-replace of a file. It follows symbolic links to the final target and holds
// an advisory lock on the folder that holds it (flock on the folder itself, so no lock file is
// ever left behind) until it is destroyed; every writer through here serialises on that lock.
class FileReplacement
{
public:
    explicit FileReplacement(const std::string& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The file actually replaced: `path` with its links followed.
    const std::string& target() const { return target_; }

    // Replaces the target's whole content with `bytes`. The bytes go to an unnamed file in the
    // target's folder (O_TMPFILE), which is linked under a short temporary name and renamed
    // over the target, so the target is never left emptied or half-written and a crash leaves
    // no named file behind. Where the file system refuses unnamed files, a named temporary
    // file stands in. An existing target keeps its permissions; a hard link to it is split;
    // links that never reach a file (a loop) are not replaced.
    // On failure the target is untouched and false is returned; callers raise their own
    // message.
    [[nodiscard]] bool replace(std::string_view bytes);

private:
    std::string target_;
    std::string folder_;
    int folderFd_ = -1;
    bool locked_ = false;
};

// One replacement of a whole file, with the lock held just for the write.
[[nodiscard]] bool replaceFileContents(const std::string& path, std::string_view bytes);

} // namespace tavir
