// Message ports and messages: how method handlers hand work to the movie
// thread and wait for its answer.
#pragma once

#include "qt_list.h"

#include "tarsel/platform.h"

#include <cstdint>

class TsQTMsgPort;

// A message: a code and the port its answer goes to (none for a message
// nobody waits for).
class TsQTMessage : public TsQTObject {
  public:
    uint32_t Code() const { return code_; }
    void SetCode(uint32_t code) { code_ = code; }
    TsQTMsgPort* ReplyPort() const { return replyPort_; }
    void SetReplyPort(TsQTMsgPort* port) { replyPort_ = port; }

    // Answers the message: with a reply port, clears it and puts the message
    // (with the reference the caller holds) on that port; without one,
    // releases the message.
    virtual void Reply();

  private:
    uint32_t code_ = 0;
    TsQTMsgPort* replyPort_ = nullptr;
};

// A list of messages and a signal set whenever one is put on it. The signal
// resets when a wait on it succeeds, so a taker drains the whole port after
// each wake.
//
// A port can be closed: PutWhileOpen then refuses messages, so that nobody
// waits for an answer from a thread that no longer takes them. Put ignores
// the state (answers always arrive).
class TsQTMsgPort : public TsQTList {
  public:
    explicit TsQTMsgPort(bool open = true);
    // Releases queued messages, then closes the signal.
    ~TsQTMsgPort() override;

    Tarsel::Platform::EventHandle Signal() const { return signal_; }

    // Adds the message with its own code (the port takes over the caller's
    // reference) and sets the signal.
    void Put(TsQTMessage* message);
    // Put, but only while the port is open; answers false (the reference
    // stays with the caller) when it is closed.
    bool PutWhileOpen(TsQTMessage* message);
    // The oldest message, with the reference it came with, or null.
    TsQTMessage* Get();
    // Takes out the first message with `code`, leaving the others queued.
    TsQTMessage* TakeFirstWithCode(uint32_t code);

    void Open();
    void Close();
    bool IsOpen();

  private:
    Tarsel::Platform::EventHandle signal_;
    bool open_; // guarded by the list lock
};

// Puts `message` with `code` on `port` and waits without time limit until it
// comes back on a private reply port. Answers false at once, without
// putting it, when `port` is closed.
bool Ask(TsQTMsgPort& port, TsQTMessage& message, uint32_t code);
