// LockableObject: a lock with an exclusive (mutual) mode and a shared (read) mode.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// The exclusive lock is recursive: the thread holding it may lock again and may also take read
// locks, each released in turn. Read locks are shared between threads and may be taken again
// by a thread that holds one. A thread holding only a read lock must not ask for the exclusive
// lock (it would wait for itself). Releasing the exclusive lock from a thread that does not hold
// it, or a read lock when none is held, does nothing.
class LockableObject {
  public:
    LockableObject() = default;
    LockableObject(const LockableObject&) = delete;
    LockableObject& operator=(const LockableObject&) = delete;
    virtual ~LockableObject() = default;

    void ObtainLock();
    bool TryLock();
    void ReleaseLock();

    void ObtainReadLock();
    void ReleaseReadLock();

    // True when the calling thread holds the exclusive lock.
    bool IsLockedByMe() const;

  private:
    mutable std::mutex m_StateLock; // guards every member below
    std::condition_variable m_Changed;
    std::thread::id m_Owner;
    int m_OwnerDepth = 0; // exclusive locks taken by the owner
    int m_OwnerReads = 0; // read locks taken by the owner while it holds the lock
    int m_Readers = 0;    // read locks held by other threads
};

// RAII holders for the two modes.
class ObjectLock {
  public:
    explicit ObjectLock(LockableObject& object) : m_Object(object) { m_Object.ObtainLock(); }
    ~ObjectLock() { m_Object.ReleaseLock(); }
    ObjectLock(const ObjectLock&) = delete;
    ObjectLock& operator=(const ObjectLock&) = delete;

  private:
    LockableObject& m_Object;
};

class ObjectReadLock {
  public:
    explicit ObjectReadLock(LockableObject& object) : m_Object(object) {
        m_Object.ObtainReadLock();
    }
    ~ObjectReadLock() { m_Object.ReleaseReadLock(); }
    ObjectReadLock(const ObjectReadLock&) = delete;
    ObjectReadLock& operator=(const ObjectReadLock&) = delete;

  private:
    LockableObject& m_Object;
};
