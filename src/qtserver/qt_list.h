// A doubly linked list of objects with codes, between two sentinel nodes.
#pragma once

#include "qt_object.h"

#include <cstdint>

struct TsQTListNode {
    TsQTListNode* next = nullptr;
    TsQTListNode* previous = nullptr;
    TsQTObject* object = nullptr; // null in the sentinels
    uint32_t code = 0;
};

// The list holds one reference to each object on it, the one its adder gave.
// Add and destruction take the lock themselves; the other slots expect the
// caller to hold it while other threads may change the list.
class TsQTList : public TsQTLockableObject {
  public:
    TsQTList();
    // Removes every node under the lock and releases its object.
    ~TsQTList() override;

    // Appends `object` (taking over the caller's reference) with `code`.
    virtual TsQTListNode* Add(TsQTObject* object, uint32_t code);
    // Unlinks and deletes `node`; the reference to its object passes to the
    // caller. Answers the following node (the tail sentinel after the last).
    virtual TsQTListNode* Remove(TsQTListNode* node);
    virtual bool IsEmpty() const;
    virtual TsQTListNode* Head() { return &head_; }
    virtual TsQTListNode* Tail() { return &tail_; }
    // The node after `node` (after the head when null); null at the tail.
    virtual TsQTListNode* First(TsQTListNode* node = nullptr);
    // The node before `node` (before the tail when null); null at the head.
    virtual TsQTListNode* Last(TsQTListNode* node = nullptr);
    virtual int Count() const { return count_; }

  protected:
    // Appends a node before the tail; the caller holds the lock.
    TsQTListNode* AppendLocked(TsQTObject* object, uint32_t code);

  private:
    TsQTListNode head_;
    TsQTListNode tail_;
    int count_ = 0;
};
