#pragma once

#include <string>
#include <string_view>

namespace tavir {

// Replaces the whole content of `path` with `bytes`: the bytes go to a temporary file in the
// same folder, which is then renamed over the target, so the target is never left emptied or
// half-written. An existing target keeps its permissions. On failure the temporary file is
// removed, the target is untouched and false is returned; callers raise their own message.
[[nodiscard]] bool replaceFileContents(const std::string& path, std::string_view bytes);

} // namespace tavir
