#include "net/IdComponent.h"

#include "net/IdStack.h"

#include <mutex>

TIdStack *GStack = nullptr;

namespace {
// Guards the instance count and the creation and release of GStack.
std::mutex &ComponentLock() {
  static std::mutex lock;
  return lock;
}
int gInstanceCount = 0;
} // namespace

TIdComponent::TIdComponent() {
  std::lock_guard<std::mutex> guard(ComponentLock());
  if (gInstanceCount++ == 0)
    GStack = new TIdStack;
}

TIdComponent::~TIdComponent() {
  std::lock_guard<std::mutex> guard(ComponentLock());
  if (--gInstanceCount == 0) {
    delete GStack;
    GStack = nullptr;
  }
}

int TIdComponent::InstanceCount() {
  std::lock_guard<std::mutex> guard(ComponentLock());
  return gInstanceCount;
}

void TIdComponent::BeginWork(TWorkMode mode, std::int64_t size) {
  WorkInfo &info = FWorkInfos[mode];
  if (info.Level++ == 0) {
    info.CountMax = size;
    info.Count = 0;
    if (OnWorkBegin)
      OnWorkBegin(*this, mode, size);
  }
}

void TIdComponent::DoWork(TWorkMode mode, std::int64_t count) {
  WorkInfo &info = FWorkInfos[mode];
  if (info.Level > 0) {
    info.Count += count;
    if (OnWork)
      OnWork(*this, mode, info.Count);
  }
}

void TIdComponent::EndWork(TWorkMode mode) {
  WorkInfo &info = FWorkInfos[mode];
  if (info.Level == 1 && OnWorkEnd)
    OnWorkEnd(*this, mode);
  if (info.Level > 0)
    --info.Level;
}
