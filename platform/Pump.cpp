#include "platform/Pump.h"

namespace mv {
namespace {
PumpHook &Hook() {
  static PumpHook hook;
  return hook;
}
} // namespace

void SetPumpHook(PumpHook hook) { Hook() = std::move(hook); }

void PumpMessages() {
  if (Hook())
    Hook()();
}

bool HasPumpHook() { return static_cast<bool>(Hook()); }
} // namespace mv
