#pragma once
// The message pump the transport calls while it waits, so the window keeps
// painting and accepting input during a blocking read, send or connect.
// Pumping itself goes through the program's hook (platform/Pump.h); this
// class decides when a call pumps. The most recently created instance is the
// one in use; destroying an instance leaves the process without a pump.
#include "net/IdComponent.h"

class TIdAntiFreezeBase : public TIdComponent {
public:
  TIdAntiFreezeBase();
  ~TIdAntiFreezeBase() override;

  bool Active = true;
  bool ApplicationHasPriority = true;
  int IdleTimeOut = 250; // milliseconds
  bool OnlyWhenIdle = true;

  // The instance in use, or nullptr.
  static TIdAntiFreezeBase *Instance();
  // True when an instance exists, it is Active and the caller is the main thread.
  static bool ShouldUse();
  // Pumps when in use and (not OnlyWhenIdle, or idle, or force).
  static void PumpIfDue(bool idle, bool force = false);

protected:
  virtual void Process() = 0;
};

class TIdAntiFreeze : public TIdAntiFreezeBase {
protected:
  // Processes pending window messages through the program's pump hook.
  void Process() override;
};
