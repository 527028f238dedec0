// Scriptable objects: method tables, calls in this process, deferred
// answers, reference counts, notifications and type relations.
#include "tarsel/script_object.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

int g_destroyed = 0;

ScriptInfo g_counterInfo(1, "Counter", "", "");

class Counter : public ScriptObject {
  public:
    Counter() { _SetScriptInfo(&g_counterInfo); }
    ~Counter() override { ++g_destroyed; }
    int64_t total = 0;
    std::vector<uint32_t> notified;
    void OnNotify(ScriptObject*, uint32_t message, const ScriptVal&) override {
        notified.push_back(message);
    }
};

void Add(ScriptObject* self, ScriptArgs& args) {
    auto* counter = static_cast<Counter*>(self);
    for (int64_t key = 1; args.HasKey(key); ++key)
        counter->total += args.ToInteger(key);
    args.Return(counter->total);
}

void Later(ScriptObject*, ScriptArgs& args) {
    int64_t value = args.ToInteger(1);
    std::thread([later = args.DeferReply(), value]() mutable {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        later->Return(value + 1);
        later->SendReply();
    }).detach();
}

void Forget(ScriptObject*, ScriptArgs& args) {
    auto later = args.DeferReply();
    later->Return(1); // dropped unsent
}

void Throws(ScriptObject*, ScriptArgs&) {
    throw std::runtime_error("handler failed");
}

void SeesResultSlot(ScriptObject*, ScriptArgs& args) {
    args.ReturnBoolean(args.HasKey(-1));
}

ScriptSymbol g_add(1, "Add", kScriptSymbolMethod, Add, &g_counterInfo);
ScriptSymbol g_later(1, "Later", kScriptSymbolMethod, Later, &g_counterInfo);
ScriptSymbol g_forget(1, "Forget", kScriptSymbolMethod, Forget, &g_counterInfo);
ScriptSymbol g_throws(1, "Throws", kScriptSymbolMethod, Throws, &g_counterInfo);
ScriptSymbol g_seesResult(1, "SeesResultSlot", kScriptSymbolMethod, SeesResultSlot, &g_counterInfo);

TEST(ScriptClasses, MethodsRegisterInOrderAndAreFoundByName) {
    EXPECT_TRUE(g_counterInfo.ClassName() == "Counter");
    std::vector<std::string> names = g_counterInfo.MethodNames();
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(names[0], "Add");
    EXPECT_EQ(names[1], "Later");
    EXPECT_EQ(g_counterInfo.FindMethod("Add"), &g_add);
    EXPECT_EQ(g_counterInfo.FindMethod("add"), nullptr);
}

TEST(ScriptClasses, SymbolTagsDescribeAndCanRegisterAMethod) {
    ScriptInfo info(1, "Tagged", "", "");
    ScriptSymbol echo(1, "Echo", kScriptSymbolMethod, Add, &info);
    TagList help;
    help.Add(kScriptSymbolHelpTag, "");
    help.Add(kScriptSymbolArgsTag, "");
    ScriptSymbolTags echoTags;
    echoTags.Init(1, "Echo", 1, Add, &info, help);
    const TagList* stored = info.MethodTags("Echo");
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->Has(kScriptSymbolHelpTag));
    EXPECT_EQ(info.FindMethod("Echo"), &echo); // not replaced
    ScriptSymbolTags extra;
    extra.Init(1, "Extra", 1, Add, &info, help);
    ASSERT_NE(info.FindMethod("Extra"), nullptr);
    EXPECT_EQ(info.FindMethod("Extra")->Handler(), &Add);
}

TEST(LocalCalls, ArgumentsAreKeysFromOneAndTheAnswerIsTheResultSlot) {
    ScriptVal counter(new Counter);
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, 2);
    args.Set(2, 40);
    EXPECT_EQ(counter.CallMember("Add", args).ToInteger(), 42);
    // The caller's table is not used as the call's table.
    EXPECT_FALSE(args.HasKey(-1));
    // A single non-table value is argument 1.
    EXPECT_EQ(counter.CallMember("Add", ScriptVal(8)).ToInteger(), 50);
}

TEST(LocalCalls, ACallerSuppliedResultSlotDoesNotReachTheHandler) {
    ScriptVal counter(new Counter);
    ScriptVal args = ScriptVal::NewTable();
    args.Set(-1, "stale");
    EXPECT_FALSE(counter.CallMember("SeesResultSlot", args).ToBoolean());
}

TEST(LocalCalls, UnknownMethodsAndFailingHandlersAnswerNil) {
    ScriptVal counter(new Counter);
    EXPECT_TRUE(counter.CallMember("NoSuchMethod").IsNil());
    EXPECT_TRUE(counter.CallMember("Throws").IsNil());
    ScriptObject bare; // no class bound
    EXPECT_TRUE(bare.Call("Add", ScriptVal(1)).IsNil());
}

TEST(LocalCalls, ADeferredAnswerArrivesFromAnotherThread) {
    ScriptVal counter(new Counter);
    EXPECT_EQ(counter.CallMember("Later", ScriptVal(9)).ToInteger(), 10);
}

TEST(LocalCalls, ADeferredCallDroppedUnansweredAnswersNil) {
    ScriptVal counter(new Counter);
    EXPECT_TRUE(counter.CallMember("Forget").IsNil());
}

TEST(DeferredReplies, OnlyTheFirstAnswerCountsAndDeferringTwiceFails) {
    ScriptArgs args;
    auto later = args.DeferReply();
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(args.IsDeferred());
    EXPECT_EQ(args.DeferReply(), nullptr);
    later->Return(5);
    // Both share the call's table.
    EXPECT_EQ(args.ToInteger(-1), 5);
}

TEST(ReferenceCounts, ValuesHoldObjectsAndTheLastReleaseDestroys) {
    int before = g_destroyed;
    auto* counter = new Counter;
    {
        ScriptVal first(counter);
        EXPECT_EQ(counter->RefCount(), 1);
        ScriptVal second = first;
        EXPECT_EQ(counter->RefCount(), 2);
        EXPECT_EQ(second.ToLocalObject(), counter);
        EXPECT_EQ(second.ToLocalObject<Counter>(), counter);
        first = ScriptVal(); // drops one
        EXPECT_EQ(counter->RefCount(), 1);
        EXPECT_EQ(g_destroyed, before);
    }
    EXPECT_EQ(g_destroyed, before + 1);
}

TEST(ReferenceCounts, RefObjectHoldsAndDetaches) {
    int before = g_destroyed;
    RefObject<Counter> holder(new Counter);
    RefObject<Counter> copy = holder;
    EXPECT_EQ(holder->RefCount(), 2);
    copy = RefObject<Counter>();
    EXPECT_EQ(holder->RefCount(), 1);
    Counter* raw = holder.Detach();
    EXPECT_FALSE(holder);
    EXPECT_EQ(raw->RefCount(), 1);
    EXPECT_EQ(raw->Release(), 0);
    EXPECT_EQ(g_destroyed, before + 1);
}

TEST(ReferenceCounts, ATableHoldingItsOwnerCanBeCleared) {
    // Removing the last reference from inside a table the object owns must
    // not touch freed memory (checked under the address sanitizer).
    int before = g_destroyed;
    ScriptVal table = ScriptVal::NewTable();
    table.Set("Owner", ScriptVal(new Counter));
    table.Remove("Owner");
    EXPECT_EQ(g_destroyed, before + 1);
}

TEST(Notifications, TargetsReceiveTheirMessagesUntilRemoved) {
    RefObject<Counter> sender(new Counter);
    RefObject<Counter> all(new Counter);
    RefObject<Counter> onlySeven(new Counter);
    sender->AddNotify(all.get(), 0);
    sender->AddNotify(onlySeven.get(), 7);
    sender->Notify(7, ScriptVal());
    sender->Notify(8, ScriptVal());
    EXPECT_EQ(all->notified, (std::vector<uint32_t>{7, 8}));
    EXPECT_EQ(onlySeven->notified, (std::vector<uint32_t>{7}));
    EXPECT_TRUE(sender->RemoveNotify(onlySeven.get(), 7));
    EXPECT_FALSE(sender->RemoveNotify(onlySeven.get(), 7));
    EXPECT_TRUE(sender->RemoveNotify(all.get()));
    sender->Notify(7, ScriptVal());
    EXPECT_EQ(all->notified.size(), 2u);
    EXPECT_EQ(onlySeven->notified.size(), 1u);
}

TEST(ObjectBasics, BaseAnswersForAttributesAndInfo) {
    RefObject<Counter> counter(new Counter);
    int out = 0;
    EXPECT_FALSE(counter->CopyAttr(0x100000ca, &out));
    EXPECT_TRUE(counter->SetAttrsTagList(nullptr));
    EXPECT_EQ(counter->lw_push(nullptr), 0);
    EXPECT_NE(counter->DoInfo().find("Counter"), std::string::npos);
    EXPECT_EQ(counter->GetObjectInfo(), &g_counterInfo);
}

TEST(TypeRelations, ChainsAreFollowedAndLoopsEnd) {
    SetTypeInfo(TsID("TestFormatB"), TsID("TestImageFormatB"));
    SetTypeInfo(TsID("TestImageFormatB"), TsID("TestMediaFormatB"));
    EXPECT_TRUE(GetBaseType(TsID("TestFormatB")) == "TestImageFormatB");
    EXPECT_TRUE(IsTypeOf(TsID("TestFormatB"), TsID("TestMediaFormatB")));
    EXPECT_TRUE(IsTypeOf(TsID("TestFormatB"), TsID("TestFormatB")));
    EXPECT_FALSE(IsTypeOf(TsID("TestMediaFormatB"), TsID("TestFormatB")));
    SetTypeInfo(TsID("LoopA"), TsID("LoopB"));
    SetTypeInfo(TsID("LoopB"), TsID("LoopA"));
    EXPECT_FALSE(IsTypeOf(TsID("LoopA"), TsID("Elsewhere")));
}

} // namespace
