#pragma once

#include <string>

namespace tavir {

// The folder of the running executable, ending in '/'; never the working directory.
std::string applicationFolder();

} // namespace tavir
