// Frame sections: the first free index, the session-qualified name, the
// mode, release, frames that do not fit, and no section outliving its state.
#include "frame_map.h"

#include "movie_state.h"
#include "server_app.h"
#include "server_counters.h"
#include "server_methods.h"
#include "test_registry.h"

#include "platform/session.h"
#include "platform/shared_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

uint32_t OwnSession() {
    return platform::SessionOfProcess(static_cast<uint32_t>(getpid())).value_or(0);
}

std::string ReportedName(int index) {
    return "Session\\" + std::to_string(OwnSession()) + "\\TsQTMap" + std::to_string(index);
}

std::string ObjectPath(const std::string& reportedName) {
    return "/dev/shm" + *platform::SectionObjectName(reportedName, OwnSession());
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Another process holding the sections of the given indices until killed.
class SectionHolder {
  public:
    explicit SectionHolder(std::vector<int> indices) {
        int ready[2];   // child to parent: the sections exist
        int holding[2]; // parent to child: closed when the child is to end
        if (pipe(ready) != 0 || pipe(holding) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(holding[1]);
            std::vector<std::unique_ptr<platform::SharedSection>> held;
            for (int index : indices) {
                platform::SectionError error;
                held.push_back(platform::SharedSection::Create(
                    "Local\\TsQTMap" + std::to_string(index), OwnSession(), 4096, 0600, error));
            }
            char byte = 1;
            if (write(ready[1], &byte, 1) != 1) _exit(1);
            while (read(holding[0], &byte, 1) > 0) {
            }
            held.clear(); // ends in order: the sections go with it
            _exit(0);
        }
        close(ready[1]);
        close(holding[0]);
        char byte;
        ready_ = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        holdingEnd_ = holding[1];
    }
    ~SectionHolder() {
        close(holdingEnd_);
        int status;
        waitpid(pid_, &status, 0);
    }
    bool ready() const { return ready_; }

  private:
    pid_t pid_ = -1;
    int holdingEnd_ = -1;
    bool ready_ = false;
};

class FrameSections : public ::testing::Test {
  protected:
    void TearDown() override { state_->DecRef(); }
    QT_Msg* state_ = new QT_Msg;
};

// The name of the section a server process took and then was killed with.
std::string SectionOfAKilledServer() {
    int reported[2];
    if (pipe(reported) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        auto* state = new QT_Msg;
        if (!CreateFrameSection(*state, 4096)) _exit(1);
        std::memcpy(state->mapView, "left", 4);
        const std::string& name = state->mapName;
        if (write(reported[1], name.data(), name.size()) != static_cast<ssize_t>(name.size()))
            _exit(1);
        pause();
    }
    close(reported[1]);
    char name[64] = {};
    const ssize_t got = read(reported[0], name, sizeof name - 1);
    close(reported[0]);
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
    return got > 0 ? std::string(name, static_cast<size_t>(got)) : std::string();
}

TEST_F(FrameSections, AStateTakesTheFirstIndexLiveProcessesLeaveFree) {
    SectionHolder other({0, 1});
    ASSERT_TRUE(other.ready());
    // A killed server's section is left behind, taken but owned by no one.
    const std::string abandoned = SectionOfAKilledServer();
    ASSERT_FALSE(abandoned.empty());
    ASSERT_TRUE(Exists(ObjectPath(abandoned)));
    ASSERT_NE(abandoned, ReportedName(0));
    ASSERT_NE(abandoned, ReportedName(1));

    const int32_t countBefore = Counters().sectionCount.load();
    ASSERT_TRUE(CreateFrameSection(*state_, 720 * 486 * 4));
    EXPECT_EQ(Counters().sectionCount.load(), countBefore + 1);
    EXPECT_EQ(state_->mapName, abandoned);
    EXPECT_NE(std::memcmp(state_->mapView, "left", 4), 0); // a new section, not the old one
    // The live owner's sections are untouched.
    EXPECT_TRUE(Exists(ObjectPath(ReportedName(0))));
    EXPECT_TRUE(Exists(ObjectPath(ReportedName(1))));
    EXPECT_EQ(state_->mapSize, 720u * 486u * 4u);
    ASSERT_NE(state_->mapView, nullptr);

    // The client opens the reported name and sees what the server wrote.
    std::memcpy(state_->mapView, "frame", 5);
    platform::SectionError error;
    auto client = platform::SharedSection::Open(state_->mapName, 0, error);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Size(), state_->mapSize);
    EXPECT_EQ(std::memcmp(client->MapView(), "frame", 5), 0);

    // Only the owner may use it.
    struct stat info {};
    ASSERT_EQ(stat(ObjectPath(state_->mapName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_uid, geteuid());

    // A state that has a section keeps it.
    const std::string name = state_->mapName;
    EXPECT_TRUE(CreateFrameSection(*state_, 16));
    EXPECT_EQ(state_->mapName, name);
}

TEST_F(FrameSections, ReleasingTwiceIsHarmlessAndTheNameGoes) {
    ASSERT_TRUE(CreateFrameSection(*state_, 4096));
    const std::string path = ObjectPath(state_->mapName);
    EXPECT_TRUE(Exists(path));
    ReleaseFrameSection(*state_);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(state_->section, nullptr);
    EXPECT_EQ(state_->mapView, nullptr);
    EXPECT_EQ(state_->mapSize, 0u);
    EXPECT_EQ(state_->mapName, "");
    ReleaseFrameSection(*state_);
    EXPECT_EQ(state_->mapName, "");
}

TEST_F(FrameSections, TheAttributesNameTheSectionOnlyWhileItIsMapped) {
    auto attributes = [this] {
        ScriptArgs args;
        args.Set(1, ScriptVal(state_));
        GetStateAttrsMethod(nullptr, args);
        return args.Result();
    };
    ScriptVal before = attributes();
    ASSERT_TRUE(before.IsTable());
    EXPECT_FALSE(before.HasKey("MapName"));
    EXPECT_FALSE(before.HasKey("MapSize"));
    EXPECT_EQ(before.ToInteger("use_vidtrack_num"), 1);
    EXPECT_EQ(before.ToNumber("XScale"), 1.0);

    ASSERT_TRUE(CreateFrameSection(*state_, 1000));
    ScriptVal mapped = attributes();
    EXPECT_EQ(mapped.ToString("MapName"), state_->mapName);
    EXPECT_EQ(mapped.ToInteger("MapSize"), 1000);

    ReleaseFrameSection(*state_);
    EXPECT_FALSE(attributes().HasKey("MapName"));
}

TEST_F(FrameSections, ALargerFrameGetsANewSectionAndNothingIsWrittenPastAnEnd) {
    std::vector<unsigned char> small(1000, 0x11);
    std::vector<unsigned char> large(3000, 0x22);
    ASSERT_TRUE(StoreFrameInSection(*state_, small.data(), small.size()));
    EXPECT_EQ(state_->mapSize, 1000u);
    const std::string firstPath = ObjectPath(state_->mapName);

    ASSERT_TRUE(StoreFrameInSection(*state_, large.data(), large.size()));
    EXPECT_EQ(state_->mapSize, 3000u);
    EXPECT_EQ(std::memcmp(state_->mapView, large.data(), large.size()), 0);
    EXPECT_TRUE(Exists(ObjectPath(state_->mapName)));
    if (ObjectPath(state_->mapName) != firstPath) {
        EXPECT_FALSE(Exists(firstPath));
    }

    // A smaller frame fits the section it has.
    const std::string name = state_->mapName;
    ASSERT_TRUE(StoreFrameInSection(*state_, small.data(), small.size()));
    EXPECT_EQ(state_->mapName, name);
    EXPECT_EQ(state_->mapSize, 3000u);

    // Reading never takes more than the section holds.
    std::vector<unsigned char> out(3001, 0);
    EXPECT_FALSE(ReadFrameFromSection(*state_, out.data(), out.size()));
    EXPECT_EQ(out[0], 0);
    EXPECT_TRUE(ReadFrameFromSection(*state_, out.data(), 3000));
    EXPECT_EQ(out[0], 0x11);
    EXPECT_EQ(out[2999], 0x22);
}

TEST_F(FrameSections, WithoutASectionReadingFailsAndEmptyFramesMakeNone) {
    unsigned char byte = 0;
    EXPECT_FALSE(ReadFrameFromSection(*state_, &byte, 1));
    EXPECT_FALSE(StoreFrameInSection(*state_, &byte, 0));
    EXPECT_EQ(state_->section, nullptr);
}

TEST(FrameSectionLifetime, TheLastReferenceOfAStateTakesItsSectionAway) {
    auto* state = new QT_Msg;
    ASSERT_TRUE(CreateFrameSection(*state, 4096));
    const std::string path = ObjectPath(state->mapName);
    EXPECT_TRUE(Exists(path));
    state->DecRef();
    EXPECT_FALSE(Exists(path));
}

TEST(ServerShutdownStates, StatesStillHeldAreDisposedAndReleased) {
    auto* app = new TsQTServerApp(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    app->AddRef();
    ASSERT_TRUE(app->Movies().Ensure());
    const int32_t liveBefore = TsQTObject::LiveCount();
    auto* state = new QT_Msg;
    app->HoldState(state);
    ASSERT_TRUE(CreateFrameSection(*state, 4096));
    const std::string object = "/dev/shm" + state->section->ObjectName();
    struct stat info {};
    ASSERT_EQ(stat(object.c_str(), &info), 0);

    app->DropHeldStates();
    EXPECT_NE(stat(object.c_str(), &info), 0); // no section outlives the server
    EXPECT_EQ(TsQTObject::LiveCount(), liveBefore);
    EXPECT_TRUE(app->StopMovieThread(kMovieThreadStopMs));
    app->Release();
}

} // namespace
