// What the first use of an automation object does: start the main window when the program was
// started for an automation client, and connect to the telescope when it is not connected.
#pragma once

#include <functional>

namespace teleon {

class frmMain;

// Makes the main window when none exists (the program's entry sets it; the window is made by
// `new frmMain(true)` or the like and is owned by whoever owns the program's windows).
void SetMainWindowFactory(std::function<frmMain*()> factory);

// The automation start-up. With no main window: one is made by the factory and loaded
// minimised, its start-up timer runs and this waits for it in 1000 ms steps, then shows it.
// When the telescope is not connected: connects on the stored "ComPort" without messages and
// brings the window up (frmMain::ConnectAndStart). Never throws; a failed connect leaves the
// members to fail through the channel.
//
// A call that arrives while one is waiting (a nested call from the event loop) does not start
// a second one: during the wait for the window it waits as well and, once the window is ready,
// completes the start-up itself, so that it returns connected; a call that arrives during the
// connect returns at once, because it runs on top of the connect and cannot wait for it.
void AutomationStartup();

} // namespace teleon
