// A mutex known by name across the processes of one machine.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Opening gives a handle; Lock and Unlock work on the mutex the name stands
// for, so two handles of one name (in one process or two) exclude each other.
// The mutex lives only while someone holds it: nothing is left behind when a
// holder ends, even by a crash. Not recursive.
class NamedMutex {
  public:
    // Longest name accepted.
    static constexpr size_t kMaxNameLength = 80;

    // A handle for `name`; an empty, too long or NUL-holding name gives a
    // handle whose Lock fails.
    explicit NamedMutex(std::string_view name);
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    // Closing a handle that holds the mutex releases it.
    ~NamedMutex();

    bool IsValid() const { return !name_.empty(); }
    // Waits without time limit until this handle holds the mutex. Answers
    // false for an invalid handle, one that already holds it, or when the
    // system refuses a socket.
    bool Lock();
    // Answers false when this handle does not hold the mutex.
    bool Unlock();

  private:
    std::string name_; // the socket address: a NUL byte, then the namespace and the name
    int heldFd_ = -1;  // bound socket while held
};

} // namespace platform
