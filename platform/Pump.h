#pragma once
// The message pump hook. Blocking network reads and archive extraction call
// `mv::PumpMessages()` while they wait so the user interface stays alive; the
// program installs Qt's processEvents here, tests install a counter, and with
// no hook installed the call does nothing.
#include <functional>

namespace mv {
using PumpHook = std::function<void()>;
void SetPumpHook(PumpHook hook); // an empty hook removes it
void PumpMessages();
bool HasPumpHook();
} // namespace mv
