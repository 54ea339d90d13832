// The Python engine of the script control: the embedded interpreter, shared by every engine and
// started on first use on the UI thread, never shut down. Each engine has its own globals.
#pragma once

#include "platform/ScriptControl.h"

#include <functional>
#include <memory>

namespace teleon::platform {

// A fresh Python engine; SetOutput gives it where the script's print, sys.stdout and sys.stderr
// go, a line at a time (without the line end).
std::unique_ptr<ScriptEngine> MakePythonEngine();

} // namespace teleon::platform
