// A small serving process for the remote-call tests and the benchmark.
// Usage: script_test_server <socket path>
// Its application object offers methods that echo, hash, defer, sleep and
// hand out counted objects, so tests can check every path from outside.
#include "tarsel/events.h"
#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include <sys/prctl.h>

namespace {

std::atomic<int> g_liveObjects{0};
std::atomic<int> g_connects{0};
std::atomic<int> g_calls{0};
std::atomic<int> g_disconnects{0};
std::atomic<bool> g_quit{false};

// Content hash of a memory block; the tests share the standard library with
// this program, so they compute the same value.
uint64_t ContentHash(const void* data, size_t size) {
    return std::hash<std::string_view>()(std::string_view(static_cast<const char*>(data), size));
}

// ---- Counted objects handed to clients ----

ScriptInfo g_itemInfo(1, "TestItem", "", "");

class TestItem : public ScriptObject {
  public:
    explicit TestItem(int64_t id) : id_(id) {
        _SetScriptInfo(&g_itemInfo);
        ++g_liveObjects;
    }
    ~TestItem() override { --g_liveObjects; }
    int64_t id() const { return id_; }

  private:
    int64_t id_;
};

void ItemId(ScriptObject* self, ScriptArgs& args) {
    args.Return(static_cast<TestItem*>(self)->id());
}
ScriptSymbol g_itemId(1, "Id", kScriptSymbolMethod, ItemId, &g_itemInfo);

// ---- The application object ----

ScriptInfo g_appInfo(1, "TestServer", "", "");

class TestApp : public ScriptObject {
  public:
    TestApp() { _SetScriptInfo(&g_appInfo); }
};

TestApp* g_app = nullptr;

void Echo(ScriptObject*, ScriptArgs& args) {
    if (const ScriptVal* value = args.FindKeyConst(1)) args.Return(*value);
}

void Empty(ScriptObject*, ScriptArgs&) {}

// Arguments: a table {Index, Tag, Data (memory block)}. Answers a table with
// the same Index and Tag, the hash and size of the data received, and the
// data with every byte inverted, so the client can check both directions.
void Transform(ScriptObject*, ScriptArgs& args) {
    const ScriptVal* request = args.FindKeyConst(1);
    if (!request || !request->IsTable()) return;
    ScriptVal answer = ScriptVal::NewTable();
    answer.Set("Index", request->ToInteger("Index", -1));
    answer.Set("Tag", request->ToString("Tag"));
    const ScriptVal* data = request->FindKeyConst("Data");
    if (data && data->IsMemBlock()) {
        const MemBlock* in = data->GetData();
        answer.Set("Hash", static_cast<int64_t>(ContentHash(in->data, in->size)));
        answer.Set("Size", static_cast<int64_t>(in->size));
        ScriptVal out;
        const MemBlock* block = out.SetMemBlock(nullptr, in->size);
        const auto* source = static_cast<const unsigned char*>(in->data);
        auto* target = static_cast<unsigned char*>(block->data);
        for (size_t i = 0; i < in->size; ++i)
            target[i] = static_cast<unsigned char>(~source[i]);
        answer.Set("Data", out);
    }
    args.Return(answer);
}

void NewItem(ScriptObject*, ScriptArgs& args) {
    args.ReturnObject(new TestItem(args.ToInteger(1)));
}

// Always the same object, kept alive by the server itself.
void Shared(ScriptObject*, ScriptArgs& args) {
    static TestItem* shared = [] {
        auto* item = new TestItem(77);
        item->AddRef();
        return item;
    }();
    args.ReturnObject(shared);
}

void LiveObjects(ScriptObject*, ScriptArgs& args) {
    args.Return(g_liveObjects.load());
}

// The id of a TestItem handed back as argument 1, or nil.
void ItemIdOf(ScriptObject*, ScriptArgs& args) {
    if (auto* item = dynamic_cast<TestItem*>(args.ToLocalObject(1))) args.Return(item->id());
}

// Answers argument 1 times two after argument 2 milliseconds, from another thread.
void Deferred(ScriptObject*, ScriptArgs& args) {
    int64_t value = args.ToInteger(1);
    int64_t delayMs = args.ToInteger(2, 50);
    std::unique_ptr<ScriptArgs> later = args.DeferReply();
    std::thread([later = std::move(later), value, delayMs]() mutable {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        later->Return(value * 2);
        later->SendReply();
    }).detach();
}

// Defers and then drops the call without answering.
void DeferDropped(ScriptObject*, ScriptArgs& args) {
    std::unique_ptr<ScriptArgs> later = args.DeferReply();
    later->Return(true); // never sent
}

void Sleep(ScriptObject*, ScriptArgs& args) {
    std::this_thread::sleep_for(std::chrono::milliseconds(args.ToInteger(1)));
    args.ReturnBoolean(true);
}

// Waits until argument 1 callers are inside this method at once (at most
// 20 s). Answers true when they all met: proof that handlers run concurrently.
std::mutex g_meetLock;
std::condition_variable g_meetChanged;
int g_meeting = 0;
int g_meetGeneration = 0;

void Rendezvous(ScriptObject*, ScriptArgs& args) {
    int64_t expected = args.ToInteger(1);
    std::unique_lock held(g_meetLock);
    int generation = g_meetGeneration;
    if (++g_meeting == expected) {
        g_meeting = 0;
        ++g_meetGeneration;
        g_meetChanged.notify_all();
        args.ReturnBoolean(true);
        return;
    }
    bool met = g_meetChanged.wait_for(held, std::chrono::seconds(20),
                                      [&] { return g_meetGeneration != generation; });
    if (!met) --g_meeting;
    args.ReturnBoolean(met);
}

void NumConnections(ScriptObject*, ScriptArgs& args) {
    args.Return(GetNumConnections());
}

void HookCounts(ScriptObject*, ScriptArgs& args) {
    ScriptVal counts = ScriptVal::NewTable();
    counts.Set("Connects", g_connects.load());
    counts.Set("Calls", g_calls.load());
    counts.Set("Disconnects", g_disconnects.load());
    args.Return(counts);
}

void Quit(ScriptObject*, ScriptArgs& args) {
    g_quit = true;
    args.ReturnBoolean(true);
}

ScriptSymbol g_methods[] = {
    {1, "Echo", kScriptSymbolMethod, Echo, &g_appInfo},
    {1, "Empty", kScriptSymbolMethod, Empty, &g_appInfo},
    {1, "Transform", kScriptSymbolMethod, Transform, &g_appInfo},
    {1, "NewItem", kScriptSymbolMethod, NewItem, &g_appInfo},
    {1, "LiveObjects", kScriptSymbolMethod, LiveObjects, &g_appInfo},
    {1, "Shared", kScriptSymbolMethod, Shared, &g_appInfo},
    {1, "ItemIdOf", kScriptSymbolMethod, ItemIdOf, &g_appInfo},
    {1, "Deferred", kScriptSymbolMethod, Deferred, &g_appInfo},
    {1, "DeferDropped", kScriptSymbolMethod, DeferDropped, &g_appInfo},
    {1, "Sleep", kScriptSymbolMethod, Sleep, &g_appInfo},
    {1, "Rendezvous", kScriptSymbolMethod, Rendezvous, &g_appInfo},
    {1, "NumConnections", kScriptSymbolMethod, NumConnections, &g_appInfo},
    {1, "HookCounts", kScriptSymbolMethod, HookCounts, &g_appInfo},
    {1, "Quit", kScriptSymbolMethod, Quit, &g_appInfo},
};

ScriptObject* GetApp() {
    return g_app;
}
void OnConnect(int) {
    ++g_connects;
}
void OnCall(int) {
    ++g_calls;
}
void OnDisconnect(int) {
    ++g_disconnects;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    // Go when the test that started us goes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    static ScriptConfig config;
    config.connectionArg = argv[1];
    config.getAppObject = GetApp;
    config.onConnect = OnConnect;
    config.onCall = OnCall;
    config.onDisconnect = OnDisconnect;
    RefObject<TestApp> app(new TestApp);
    g_app = app.get();
    // Tests of stalled clients shorten the send time-out.
    TagList tags;
    if (const char* timeout = std::getenv("TARSEL_TEST_SEND_TIMEOUT_MS"))
        tags.Set(kScriptSendTimeoutTag, std::atoll(timeout));
    if (!InitScripting(&config) || !StartScripting(ScriptVal(), &tags)) {
        std::fprintf(stderr, "script_test_server: cannot serve on %s\n", argv[1]);
        return 1;
    }
    while (!g_quit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    CleanupScripting();
    g_app = nullptr;
    return 0;
}
