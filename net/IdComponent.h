#pragma once
// The root of the network and message classes. Every live component counts
// towards a process-wide total under one lock: the first one creates the
// shared socket adapter (GStack), the last one to go frees it. Components
// also carry the work notifications that report transfer progress, kept
// apart for reading and for writing, each with its own nesting level.
#include <cstdint>
#include <functional>

enum TWorkMode { wmRead, wmWrite };

// A plain notification (connected, disconnected).
using TIdNotifyEvent = std::function<void()>;

class TIdComponent;
using TWorkBeginEvent = std::function<void(TIdComponent &sender, TWorkMode mode, std::int64_t workCountMax)>;
using TWorkEvent = std::function<void(TIdComponent &sender, TWorkMode mode, std::int64_t workCount)>;
using TWorkEndEvent = std::function<void(TIdComponent &sender, TWorkMode mode)>;

class TIdBaseComponent {
public:
  TIdBaseComponent() = default;
  TIdBaseComponent(const TIdBaseComponent &) = delete;
  TIdBaseComponent &operator=(const TIdBaseComponent &) = delete;
  virtual ~TIdBaseComponent() = default;
};

class TIdComponent : public TIdBaseComponent {
public:
  TIdComponent();
  ~TIdComponent() override;

  // Number of live components in the process (the socket adapter lives while it is above 0).
  static int InstanceCount();

  // Raises the nesting level of `mode`; going from 0 to 1 records the expected
  // total, zeroes the running count and calls OnWorkBegin.
  void BeginWork(TWorkMode mode, std::int64_t size = 0);
  // Adds `count` bytes to the running count and reports it while work is open.
  void DoWork(TWorkMode mode, std::int64_t count);
  // Calls OnWorkEnd when the level is 1, then lowers the level.
  void EndWork(TWorkMode mode);

  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

private:
  struct WorkInfo {
    int Level = 0;
    std::int64_t Count = 0;
    std::int64_t CountMax = 0;
  };
  WorkInfo FWorkInfos[2];
};

// Brackets a transfer with BeginWork and EndWork, the end also when the
// transfer fails: the one way to open work on a component.
class TIdWorkScope {
public:
  TIdWorkScope(TIdComponent &component, TWorkMode mode, std::int64_t size = 0)
      : FComponent(component), FMode(mode) {
    FComponent.BeginWork(FMode, size);
  }
  ~TIdWorkScope() { FComponent.EndWork(FMode); }
  TIdWorkScope(const TIdWorkScope &) = delete;
  TIdWorkScope &operator=(const TIdWorkScope &) = delete;

private:
  TIdComponent &FComponent;
  TWorkMode FMode;
};
