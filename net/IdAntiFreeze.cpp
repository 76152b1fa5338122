#include "net/IdAntiFreeze.h"

#include "platform/Pump.h"

#include <unistd.h>

namespace {
TIdAntiFreezeBase *gInstance = nullptr;

// Only the main thread runs the window loop; pumping from any other thread
// would dispatch window messages where they do not belong.
bool IsMainThread() {
  return gettid() == getpid();
}
} // namespace

TIdAntiFreezeBase::TIdAntiFreezeBase() {
  gInstance = this;
}

TIdAntiFreezeBase::~TIdAntiFreezeBase() {
  gInstance = nullptr;
}

TIdAntiFreezeBase *TIdAntiFreezeBase::Instance() {
  return gInstance;
}

bool TIdAntiFreezeBase::ShouldUse() {
  return gInstance && gInstance->Active && IsMainThread();
}

void TIdAntiFreezeBase::PumpIfDue(bool idle, bool force) {
  if (ShouldUse() && (!gInstance->OnlyWhenIdle || idle || force))
    gInstance->Process();
}

// The hook processes all pending window messages; there is no separate
// "handle one message" entry, so both priorities use it.
void TIdAntiFreeze::Process() {
  mv::PumpMessages();
}
