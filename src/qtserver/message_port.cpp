// Ports, messages, and asking.
#include "message_port.h"

void TsQTMessage::Reply() {
    TsQTMsgPort* port = replyPort_;
    if (port) {
        replyPort_ = nullptr;
        port->Put(this);
    } else {
        DecRef();
    }
}

TsQTMsgPort::TsQTMsgPort(bool open)
    : signal_(Tarsel::Platform::NewEvent(false, false)), open_(open) {}

TsQTMsgPort::~TsQTMsgPort() {
    // The list's destructor would release the messages too, but only after
    // the signal is gone; do it while the port is whole.
    while (TsQTMessage* message = Get())
        message->DecRef();
    Tarsel::Platform::CloseEvent(signal_);
}

void TsQTMsgPort::Put(TsQTMessage* message) {
    if (!message) return;
    Add(message, message->Code());
    Tarsel::Platform::SetEvent(signal_);
}

bool TsQTMsgPort::PutWhileOpen(TsQTMessage* message) {
    if (!message) return false;
    // The check and the append are one step against Close.
    Lock();
    bool open = open_;
    if (open) AppendLocked(message, message->Code());
    Unlock();
    if (open) Tarsel::Platform::SetEvent(signal_);
    return open;
}

TsQTMessage* TsQTMsgPort::Get() {
    Lock();
    TsQTListNode* node = First();
    TsQTObject* object = node ? node->object : nullptr;
    if (node) Remove(node);
    Unlock();
    return static_cast<TsQTMessage*>(object);
}

TsQTMessage* TsQTMsgPort::TakeFirstWithCode(uint32_t code) {
    Lock();
    TsQTObject* object = nullptr;
    for (TsQTListNode* node = First(); node; node = First(node)) {
        if (node->code == code) {
            object = node->object;
            Remove(node);
            break;
        }
    }
    Unlock();
    return static_cast<TsQTMessage*>(object);
}

void TsQTMsgPort::Open() {
    Lock();
    open_ = true;
    Unlock();
}

void TsQTMsgPort::Close() {
    Lock();
    open_ = false;
    Unlock();
}

bool TsQTMsgPort::IsOpen() {
    Lock();
    bool open = open_;
    Unlock();
    return open;
}

bool Ask(TsQTMsgPort& port, TsQTMessage& message, uint32_t code) {
    auto* replyPort = new TsQTMsgPort;
    message.SetCode(code);
    message.SetReplyPort(replyPort);
    message.IncRef(); // the reference the port carries
    if (!port.PutWhileOpen(&message)) {
        message.SetReplyPort(nullptr);
        message.DecRef();
        replyPort->DecRef();
        return false;
    }
    TsQTMessage* answer = nullptr;
    while (!answer) {
        Tarsel::Platform::WaitEvent(replyPort->Signal(), -1);
        answer = replyPort->Get();
    }
    answer->DecRef(); // the carried reference; the caller keeps its own
    replyPort->DecRef();
    return true;
}
