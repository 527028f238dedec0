// List: an ordered list of items, each node carrying one data word, with its own lock.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "tarsel/system/lockable_object.h"

// A locking list takes its own lock inside every operation, so single calls are safe from any
// thread; a non-locking list leaves all locking to its user. Either kind can be locked by its
// user around a sequence of calls (the exclusive lock is recursive). When the list was given a
// disposer, it owns its items: DeleteAt, Clear and the destructor pass each removed item to it.
// RemoveAt and Remove only unlink.
class List : public LockableObject {
  public:
    struct Node {
        void* Item = nullptr;
        void* Data = nullptr;
    };
    using Disposer = std::function<void(void* item, void* data)>;

    explicit List(bool locking = true, Disposer disposer = {});
    ~List() override;

    bool IsLocking() const { return m_Locking; }

    std::size_t Count() const;
    void AddTail(void* item, void* data = nullptr);
    void AddHead(void* item, void* data = nullptr);
    // Inserts before position index (index == Count() appends); false when index is beyond.
    bool InsertAt(std::size_t index, void* item, void* data = nullptr);

    // The node at index, or false when there is none.
    bool GetNode(std::size_t index, Node& out) const;
    void* GetItem(std::size_t index) const;
    void* GetData(std::size_t index) const;
    bool SetData(std::size_t index, void* data);
    // Index of the first node holding item, or -1.
    long IndexOf(const void* item) const;

    bool RemoveAt(std::size_t index, Node* removed = nullptr);
    bool Remove(const void* item);
    bool DeleteAt(std::size_t index);
    void Clear();

    // Calls visit(index, node) for each node in order until it answers false; a locking list
    // holds its read lock meanwhile.
    void ForEach(const std::function<bool(std::size_t, const Node&)>& visit) const;

  private:
    class Guard;
    class ReadGuard;

    const bool m_Locking;
    Disposer m_Disposer;
    std::vector<Node> m_Nodes; // guarded by the list's own lock when locking
};
