// Base classes of the server's reference-counted objects.
#pragma once

#include "tarsel/script_object.h"

#include <atomic>
#include <cstdint>

// A script object whose count starts at 1: its creator holds the first
// reference. The script object's count slots forward to IncRef and DecRef,
// so script values and remote clients share the same count. Releasing an
// object means calling DecRef.
class TsQTObject : public ScriptObject {
  public:
    TsQTObject();
    ~TsQTObject() override;

    int32_t AddRef() override { return IncRef(); }
    int32_t Release() override { return DecRef(); }
    // Take and drop a reference; both answer the new count. The last DecRef
    // destroys the object.
    virtual int32_t IncRef();
    virtual int32_t DecRef();
    int32_t References() const { return references_.load(std::memory_order_acquire); }

    // Objects of these classes alive in the process now, to find leaks.
    static int32_t LiveCount();

  private:
    std::atomic<int32_t> references_{1};
};

// An object with a lock word: 0 free, 1 taken.
class TsQTLockableObject : public TsQTObject {
  public:
    // Takes the lock, sleeping 1 ms between tries. Not recursive.
    void Lock();
    void Unlock();

  private:
    volatile int32_t lockWord_ = 0;
};
