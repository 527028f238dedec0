// Exclusive and shared locking of a LockableObject.
#include "tarsel/system/lockable_object.h"

void LockableObject::ObtainLock() {
    std::unique_lock guard(m_StateLock);
    const auto me = std::this_thread::get_id();
    if (m_OwnerDepth > 0 && m_Owner == me) {
        ++m_OwnerDepth;
        return;
    }
    m_Changed.wait(guard, [&] { return m_OwnerDepth == 0 && m_Readers == 0; });
    m_Owner = me;
    m_OwnerDepth = 1;
}

bool LockableObject::TryLock() {
    std::lock_guard guard(m_StateLock);
    const auto me = std::this_thread::get_id();
    if (m_OwnerDepth > 0 && m_Owner == me) {
        ++m_OwnerDepth;
        return true;
    }
    if (m_OwnerDepth > 0 || m_Readers > 0) return false;
    m_Owner = me;
    m_OwnerDepth = 1;
    return true;
}

void LockableObject::ReleaseLock() {
    std::lock_guard guard(m_StateLock);
    if (m_OwnerDepth == 0 || m_Owner != std::this_thread::get_id()) return;
    if (--m_OwnerDepth == 0) {
        // Read locks the owner still holds turn into ordinary shared holds.
        m_Readers += m_OwnerReads;
        m_OwnerReads = 0;
        m_Owner = std::thread::id();
        m_Changed.notify_all();
    }
}

void LockableObject::ObtainReadLock() {
    std::unique_lock guard(m_StateLock);
    if (m_OwnerDepth > 0 && m_Owner == std::this_thread::get_id()) {
        ++m_OwnerReads;
        return;
    }
    m_Changed.wait(guard, [&] { return m_OwnerDepth == 0; });
    ++m_Readers;
}

void LockableObject::ReleaseReadLock() {
    std::lock_guard guard(m_StateLock);
    if (m_OwnerDepth > 0 && m_Owner == std::this_thread::get_id()) {
        if (m_OwnerReads > 0) --m_OwnerReads;
        return;
    }
    if (m_Readers == 0) return;
    if (--m_Readers == 0) m_Changed.notify_all();
}

bool LockableObject::IsLockedByMe() const {
    std::lock_guard guard(m_StateLock);
    return m_OwnerDepth > 0 && m_Owner == std::this_thread::get_id();
}
