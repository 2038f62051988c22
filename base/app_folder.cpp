#include "base/app_folder.h"

#include <filesystem>
#include <system_error>

namespace tavir {

std::string applicationFolder()
{
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string folder = error ? std::string(".") : exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace tavir
