// The JavaScript engine of the script control, on QJSEngine.
#pragma once

#include "platform/ScriptControl.h"

#include <memory>

namespace teleon::platform {

// A fresh JavaScript engine: print(...) and console.log(...) go to its output (SetOutput).
std::unique_ptr<ScriptEngine> MakeJsEngine();

} // namespace teleon::platform
