// The event-loop pump and the millisecond tick: the only ways the program waits.
#pragma once

#include <cstdint>

namespace teleon::platform {

// Milliseconds from a monotonic clock (never jumps with the wall clock).
std::int64_t TickMs();

// Runs the event loop until ms milliseconds have passed, sleeping between events (no spinning).
// 0 runs it once for the events already waiting.
void RunEventLoopFor(int ms);

// Lets the event loop run once for the events already waiting.
void DoEvents();

} // namespace teleon::platform
