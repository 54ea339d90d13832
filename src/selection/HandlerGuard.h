// How the event handlers of the object selection windows meet a failure of the telescope link,
// so that nothing they throw reaches the event loop.
#pragma once

#include <functional>

namespace teleon {

// Runs a handler's body. A lost link ends it quietly: the channel has already switched the main
// window to standby. Any other failure is shown in a message box with the critical icon. True
// when the body ran to its end.
bool RunHandler(const std::function<void()>& body);

} // namespace teleon
