// List operations; a locking list guards its nodes with its own lock.
#include "tarsel/system/list.h"

#include <algorithm>
#include <utility>

// Takes the exclusive lock only for locking lists.
class List::Guard {
  public:
    explicit Guard(const List& list) : m_List(const_cast<List&>(list)) {
        if (m_List.m_Locking) m_List.ObtainLock();
    }
    ~Guard() {
        if (m_List.m_Locking) m_List.ReleaseLock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

  private:
    List& m_List;
};

// Takes the read lock only for locking lists.
class List::ReadGuard {
  public:
    explicit ReadGuard(const List& list) : m_List(const_cast<List&>(list)) {
        if (m_List.m_Locking) m_List.ObtainReadLock();
    }
    ~ReadGuard() {
        if (m_List.m_Locking) m_List.ReleaseReadLock();
    }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

  private:
    List& m_List;
};

List::List(bool locking, Disposer disposer) : m_Locking(locking), m_Disposer(std::move(disposer)) {}

List::~List() {
    Clear();
}

std::size_t List::Count() const {
    ReadGuard guard(*this);
    return m_Nodes.size();
}

void List::AddTail(void* item, void* data) {
    Guard guard(*this);
    m_Nodes.push_back({item, data});
}

void List::AddHead(void* item, void* data) {
    Guard guard(*this);
    m_Nodes.insert(m_Nodes.begin(), Node{item, data});
}

bool List::InsertAt(std::size_t index, void* item, void* data) {
    Guard guard(*this);
    if (index > m_Nodes.size()) return false;
    m_Nodes.insert(m_Nodes.begin() + static_cast<std::ptrdiff_t>(index), Node{item, data});
    return true;
}

bool List::GetNode(std::size_t index, Node& out) const {
    ReadGuard guard(*this);
    if (index >= m_Nodes.size()) return false;
    out = m_Nodes[index];
    return true;
}

void* List::GetItem(std::size_t index) const {
    Node node;
    return GetNode(index, node) ? node.Item : nullptr;
}

void* List::GetData(std::size_t index) const {
    Node node;
    return GetNode(index, node) ? node.Data : nullptr;
}

bool List::SetData(std::size_t index, void* data) {
    Guard guard(*this);
    if (index >= m_Nodes.size()) return false;
    m_Nodes[index].Data = data;
    return true;
}

long List::IndexOf(const void* item) const {
    ReadGuard guard(*this);
    auto found = std::find_if(m_Nodes.begin(), m_Nodes.end(),
                              [&](const Node& node) { return node.Item == item; });
    return found == m_Nodes.end() ? -1 : static_cast<long>(found - m_Nodes.begin());
}

bool List::RemoveAt(std::size_t index, Node* removed) {
    Guard guard(*this);
    if (index >= m_Nodes.size()) return false;
    if (removed) *removed = m_Nodes[index];
    m_Nodes.erase(m_Nodes.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool List::Remove(const void* item) {
    Guard guard(*this);
    auto found = std::find_if(m_Nodes.begin(), m_Nodes.end(),
                              [&](const Node& node) { return node.Item == item; });
    if (found == m_Nodes.end()) return false;
    m_Nodes.erase(found);
    return true;
}

bool List::DeleteAt(std::size_t index) {
    Node removed;
    if (!RemoveAt(index, &removed)) return false;
    // The disposer runs outside the list's lock so that it may use the list itself.
    if (m_Disposer) m_Disposer(removed.Item, removed.Data);
    return true;
}

void List::Clear() {
    std::vector<Node> removed;
    {
        Guard guard(*this);
        removed.swap(m_Nodes);
    }
    if (m_Disposer) {
        for (const Node& node : removed)
            m_Disposer(node.Item, node.Data);
    }
}

void List::ForEach(const std::function<bool(std::size_t, const Node&)>& visit) const {
    ReadGuard guard(*this);
    for (std::size_t i = 0; i < m_Nodes.size(); ++i) {
        if (!visit(i, m_Nodes[i])) break;
    }
}
