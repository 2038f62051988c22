#pragma once

#include <functional>

namespace tavir {

// The program from its start to its end: Qt without Qt's own command-line options, Qt's
// dialogs in Polish, the main window over the application folder, the event loop. Errors that
// escape the window are shown in the standard error box. `onShown`, for measuring the
// start-up, is called once the window is on the screen, and the program then ends.
int runProgram(char* programPath, const std::function<void()>& onShown = {});

} // namespace tavir
