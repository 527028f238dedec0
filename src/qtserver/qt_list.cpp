// TsQTList.
#include "qt_list.h"

TsQTList::TsQTList() {
    head_.next = &tail_;
    tail_.previous = &head_;
}

TsQTList::~TsQTList() {
    Lock();
    for (TsQTListNode* node = First(); node; node = First()) {
        TsQTObject* object = node->object;
        Remove(node);
        if (object) object->DecRef();
    }
    Unlock();
}

TsQTListNode* TsQTList::Add(TsQTObject* object, uint32_t code) {
    Lock();
    TsQTListNode* node = AppendLocked(object, code);
    Unlock();
    return node;
}

TsQTListNode* TsQTList::AppendLocked(TsQTObject* object, uint32_t code) {
    auto* node = new TsQTListNode;
    node->object = object;
    node->code = code;
    node->previous = tail_.previous;
    node->next = &tail_;
    tail_.previous->next = node;
    tail_.previous = node;
    ++count_;
    return node;
}

TsQTListNode* TsQTList::Remove(TsQTListNode* node) {
    if (!node || node == &head_ || node == &tail_) return nullptr;
    TsQTListNode* following = node->next;
    node->previous->next = following;
    following->previous = node->previous;
    delete node;
    --count_;
    return following;
}

bool TsQTList::IsEmpty() const {
    return head_.next == &tail_;
}

TsQTListNode* TsQTList::First(TsQTListNode* node) {
    if (node == &tail_) return nullptr;
    TsQTListNode* next = (node ? node : &head_)->next;
    return next == &tail_ ? nullptr : next;
}

TsQTListNode* TsQTList::Last(TsQTListNode* node) {
    if (node == &head_) return nullptr;
    TsQTListNode* previous = (node ? node : &tail_)->previous;
    return previous == &head_ ? nullptr : previous;
}
