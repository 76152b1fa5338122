#pragma once
// Installs a message pump for the length of a test: a TIdAntiFreeze (as the
// main window has one, OnlyWhenIdle off) whose hook counts its calls and may
// run an action, like a window event arriving in the middle of a wait.
#include "net/IdAntiFreeze.h"
#include "platform/Pump.h"

#include <functional>

class PumpCounter {
public:
  explicit PumpCounter(int idleTimeOut = 250) {
    FAntiFreeze.OnlyWhenIdle = false;
    FAntiFreeze.IdleTimeOut = idleTimeOut;
    mv::SetPumpHook([this] {
      ++Calls;
      if (OnPump)
        OnPump(Calls);
    });
  }
  ~PumpCounter() { mv::SetPumpHook({}); }
  PumpCounter(const PumpCounter &) = delete;
  PumpCounter &operator=(const PumpCounter &) = delete;

  int Calls = 0;
  std::function<void(int calls)> OnPump;

private:
  TIdAntiFreeze FAntiFreeze;
};
