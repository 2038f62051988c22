#pragma once

#include <cstddef>
#include <string>

namespace tavir {

// Opens a file for reading, never waiting (a FIFO would block until a writer came), and only
// when it is a regular file: a FIFO, a device or a folder is refused like a missing file.
// Returns the descriptor and sets `size`, or returns -1 with errno set (EINVAL for what is no
// regular file).
int openRegularFile(const std::string& path, std::size_t& size);

} // namespace tavir
