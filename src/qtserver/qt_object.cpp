// TsQTObject and TsQTLockableObject.
#include "qt_object.h"

#include "tarsel/platform.h"

namespace {

// Objects constructed and not yet destroyed.
std::atomic<int32_t> g_liveObjects{0};

// Pause between attempts to take a lock word.
constexpr int64_t kLockRetryMs = 1;

} // namespace

TsQTObject::TsQTObject() {
    g_liveObjects.fetch_add(1, std::memory_order_relaxed);
}

TsQTObject::~TsQTObject() {
    g_liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

int32_t TsQTObject::IncRef() {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t TsQTObject::DecRef() {
    int32_t count = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

int32_t TsQTObject::LiveCount() {
    return g_liveObjects.load(std::memory_order_relaxed);
}

void TsQTLockableObject::Lock() {
    while (Tarsel::Platform::AtomicExchange32(&lockWord_, 1) != 0)
        Tarsel::Platform::Wait(kLockRetryMs);
}

void TsQTLockableObject::Unlock() {
    Tarsel::Platform::AtomicExchange32(&lockWord_, 0);
}
