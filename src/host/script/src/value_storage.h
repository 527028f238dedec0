// Storage behind ScriptVal's shared kinds: tables and memory blocks, and the
// reply channel of a call.
#pragma once

#include "tarsel/script_val.h"

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <string>

namespace tarsel::detail {

class ScriptTable {
  public:
    std::map<int64_t, ScriptVal> numbered;
    std::map<std::string, ScriptVal, std::less<>> named;

    size_t Count() const { return numbered.size() + named.size(); }
};

struct MemBlockStorage {
    MemBlock block;
    std::unique_ptr<std::byte[]> bytes;

    // A block of `size` bytes, zero-filled when `zeroed`, else uninitialised
    // for a caller that fills every byte.
    static std::shared_ptr<MemBlockStorage> Allocate(size_t size, bool zeroed);
};

// Where a call's answer goes. Only the first delivery is passed on.
class ReplyChannel {
  public:
    virtual ~ReplyChannel() = default;
    void Deliver(const ScriptVal& result) {
        if (!delivered_.exchange(true)) DoDeliver(result);
    }
    bool Delivered() const { return delivered_.load(); }

  protected:
    virtual void DoDeliver(const ScriptVal& result) = 0;

  private:
    std::atomic<bool> delivered_{false};
};

// Calls a method of a remote object (defined with the client connection).
ScriptVal CallRemoteMember(const ScriptVal& remote, std::string_view name, const ScriptVal& args);

// Builds the argument table of a call from what the caller passed: a table
// is copied key by key (so the result slot does not land in the caller's
// table), nil gives an empty table, any other value becomes argument 1.
ScriptVal MakeArgumentTable(const ScriptVal& args);

} // namespace tarsel::detail
