// Remote calls between this process and script_test_server.
#include "server_process.h"

#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

TEST(RemoteCallSmoke, EchoesAValue) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ScriptVal answer = app.CallMember("Echo", ScriptVal(41));
    EXPECT_EQ(answer.ToInteger(), 41);
}

} // namespace
