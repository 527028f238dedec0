// Lists, ports and messages: order, references and live objects.
#include "message_port.h"

#include "message_codes.h"
#include "movie_state.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class Item : public TsQTObject {};

TEST(MessageCodes, TheLettersReadInMemoryOrder) {
    const uint32_t code = kCodeLoadFrame;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&code), 4), "QTLF");
    EXPECT_EQ(MessageCode("Quit"), 0x74697551u);
}

TEST(QTList, NodesKeepTheirOrderAndTheListReleasesWhatItHolds) {
    const int32_t liveBefore = TsQTObject::LiveCount();
    auto* list = new TsQTList;
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(list->First(), nullptr);
    EXPECT_EQ(list->Last(), nullptr);
    auto* a = new Item;
    auto* b = new Item;
    auto* c = new Item;
    TsQTListNode* na = list->Add(a, 1);
    TsQTListNode* nb = list->Add(b, 2);
    TsQTListNode* nc = list->Add(c, 3);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->First(), na);
    EXPECT_EQ(list->First(na), nb);
    EXPECT_EQ(list->First(nc), nullptr);
    EXPECT_EQ(list->Last(), nc);
    EXPECT_EQ(list->Last(nb), na);
    EXPECT_EQ(list->Last(na), nullptr);
    EXPECT_EQ(list->Head()->next, na);
    EXPECT_EQ(list->Tail()->previous, nc);

    // Removing hands the object's reference to the caller.
    b->IncRef();
    EXPECT_EQ(list->Remove(nb), nc);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(b->References(), 2);
    b->DecRef();
    b->DecRef();
    EXPECT_EQ(list->Remove(list->Head()), nullptr); // sentinels stay
    EXPECT_EQ(list->Count(), 2);

    list->DecRef(); // releases a and c
    EXPECT_EQ(TsQTObject::LiveCount(), liveBefore);
}

TEST(QTMsgPort, MessagesComeOutInOrderWithTheirReferences) {
    auto* port = new TsQTMsgPort;
    auto* first = new QT_Msg;
    auto* second = new QT_Msg;
    first->SetCode(kCodeDispose);
    second->SetCode(kCodeReleaseMap);
    port->Put(first);
    port->Put(second);
    EXPECT_TRUE(Tarsel::Platform::WaitEvent(port->Signal(), 0));  // set by Put
    EXPECT_FALSE(Tarsel::Platform::WaitEvent(port->Signal(), 0)); // reset by the wait
    EXPECT_EQ(port->Get(), first);
    EXPECT_EQ(port->Get(), second);
    EXPECT_EQ(port->Get(), nullptr);
    EXPECT_EQ(first->References(), 1);
    first->DecRef();
    second->DecRef();
    port->DecRef();
}

TEST(QTMsgPort, AClosedPortRefusesWhatOnlyAnOpenOneTakes) {
    auto* port = new TsQTMsgPort(false);
    auto* message = new QT_Msg;
    EXPECT_FALSE(port->PutWhileOpen(message));
    EXPECT_EQ(message->References(), 1);              // still the caller's
    EXPECT_FALSE(Ask(*port, *message, kCodeDispose)); // at once, not waiting forever
    EXPECT_EQ(message->References(), 1);
    EXPECT_EQ(message->ReplyPort(), nullptr);
    port->Open();
    EXPECT_TRUE(port->PutWhileOpen(message));
    port->Close();
    EXPECT_EQ(port->Get(), message);
    message->DecRef();
    port->DecRef();
}

TEST(QTMsgPort, AMessageIsTakenOutByCodeLeavingTheOthers) {
    auto* port = new TsQTMsgPort;
    auto* other = new QT_Msg;
    auto* hello = new QT_Msg;
    other->SetCode(kCodeDispose);
    hello->SetCode(kCodeInitialise);
    port->Put(other);
    port->Put(hello);
    EXPECT_EQ(port->TakeFirstWithCode(kCodeQuit), nullptr);
    EXPECT_EQ(port->TakeFirstWithCode(kCodeInitialise), hello);
    EXPECT_EQ(port->Count(), 1);
    hello->DecRef();
    port->DecRef(); // releases `other`
}

TEST(QTMessage, ARepliedMessageWithoutAPortIsReleased) {
    const int32_t liveBefore = TsQTObject::LiveCount();
    auto* message = new QT_Msg;
    EXPECT_EQ(TsQTObject::LiveCount(), liveBefore + 1);
    message->Reply();
    EXPECT_EQ(TsQTObject::LiveCount(), liveBefore);
}

TEST(QTMessage, ARepliedMessageWithAPortArrivesThereOnce) {
    auto* port = new TsQTMsgPort;
    auto* message = new QT_Msg;
    message->SetReplyPort(port);
    message->Reply();
    EXPECT_EQ(message->ReplyPort(), nullptr);
    EXPECT_EQ(port->Get(), message);
    const int32_t liveBefore = TsQTObject::LiveCount();
    message->Reply(); // no port any more: released
    EXPECT_EQ(TsQTObject::LiveCount(), liveBefore - 1);
    port->DecRef();
}

TEST(Ask, TheAskerWaitsForItsOwnMessageAndKeepsItsReference) {
    auto* port = new TsQTMsgPort;
    auto* message = new QT_Msg;
    std::thread taker([port] {
        Tarsel::Platform::WaitEvent(port->Signal(), -1);
        TsQTMessage* taken = port->Get();
        static_cast<QT_Msg*>(taken)->success = 1;
        taken->Reply();
    });
    EXPECT_TRUE(Ask(*port, *message, kCodeDispose));
    taker.join();
    EXPECT_EQ(message->Code(), kCodeDispose);
    EXPECT_EQ(message->success, 1);
    EXPECT_EQ(message->ReplyPort(), nullptr);
    EXPECT_EQ(message->References(), 1);
    message->DecRef();
    port->DecRef();
}

TEST(QTLockableObject, TheLockExcludesOtherThreads) {
    auto* object = new TsQTList;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                object->Lock();
                int seen = counter;
                std::this_thread::yield();
                counter = seen + 1;
                object->Unlock();
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 800);
    object->DecRef();
}

} // namespace
