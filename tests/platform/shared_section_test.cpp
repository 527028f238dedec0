// Named shared sections: the mapping from section names to shared-memory
// objects, creation with exact modes, opening by the reported name, and the
// name going with its creator.
#include "platform/shared_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::SectionError;
using platform::SectionObjectName;
using platform::SharedSection;

// A base name no other test run uses.
std::string UniqueBase(const char* label) {
    return std::string("TsTest") + label + std::to_string(getpid());
}

bool ObjectExists(const std::string& objectName) {
    struct stat info {};
    return stat(("/dev/shm" + objectName).c_str(), &info) == 0;
}

TEST(SectionNames, LocalSessionAndGlobalNamesMapOneToOne) {
    EXPECT_EQ(SectionObjectName("Local\\TsQTMap3", 7), "/tarsel.Session.7.TsQTMap3");
    EXPECT_EQ(SectionObjectName("Session\\7\\TsQTMap3", 9), "/tarsel.Session.7.TsQTMap3");
    EXPECT_EQ(SectionObjectName("TsQTMap3", 7), "/tarsel.Session.7.TsQTMap3");
    EXPECT_EQ(SectionObjectName("Global\\Frames", 7), "/tarsel.Global.Frames");
    EXPECT_EQ(SectionObjectName("Session\\4294967295\\a-b_c.d", 0),
              "/tarsel.Session.4294967295.a-b_c.d");
}

TEST(SectionNames, NamesOutsideTheFormAreRefused) {
    const char* refused[] = {
        "",
        "Local\\",
        "Local\\a/b",       // would leave the objects' folder
        "Local\\..",        // the folder itself
        "Local\\a b",       // spaces are not name characters
        "Local\\Sub\\Name", // one level only
        "Global\\",
        "Session\\\\Name",           // no session number
        "Session\\x\\Name",          // not a number
        "Session\\1x\\Name",         // trailing letters
        "Session\\4294967296\\Name", // beyond 32 bits
        "Session\\12345678901\\Name",
        "Session\\1", // no name
    };
    for (const char* name : refused)
        EXPECT_EQ(SectionObjectName(name, 1), std::nullopt) << name;
    EXPECT_TRUE(SectionObjectName(std::string(platform::kMaxSectionBaseName, 'n'), 1));
    EXPECT_FALSE(SectionObjectName(std::string(platform::kMaxSectionBaseName + 1, 'n'), 1));
}

TEST(SharedSections, TheCreatorsViewIsTheOpenersAndTheNameGoesWithTheCreator) {
    const std::string base = UniqueBase("Share");
    SectionError error;
    auto created = SharedSection::Create("Local\\" + base, 5, 4096, 0600, error);
    ASSERT_TRUE(created);
    EXPECT_EQ(error, SectionError::None);
    EXPECT_EQ(created->Size(), 4096u);
    const std::string objectName = created->ObjectName();
    EXPECT_TRUE(ObjectExists(objectName));

    // A client opens the session-qualified name the creator reports.
    auto opened = SharedSection::Open("Session\\5\\" + base, 0, error);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Size(), 4096u);
    auto* writer = static_cast<char*>(created->MapView());
    auto* reader = static_cast<char*>(opened->MapView());
    ASSERT_TRUE(writer && reader);
    EXPECT_EQ(created->MapView(), writer); // one view per handle
    std::strcpy(writer + 4000, "frame bytes");
    EXPECT_STREQ(reader + 4000, "frame bytes");

    // The opener's handle does not own the name; the creator's does.
    opened.reset();
    EXPECT_TRUE(ObjectExists(objectName));
    auto again = SharedSection::Open("Local\\" + base, 5, error);
    ASSERT_TRUE(again);
    created.reset();
    EXPECT_FALSE(ObjectExists(objectName));
    // What a client mapped stays readable after the name is gone.
    EXPECT_STREQ(static_cast<char*>(again->MapView()) + 4000, "frame bytes");
    EXPECT_FALSE(SharedSection::Open("Local\\" + base, 5, error));
}

TEST(SharedSections, ANameInUseIsReportedAndBadRequestsFail) {
    const std::string name = "Local\\" + UniqueBase("Twice");
    SectionError error;
    auto first = SharedSection::Create(name, 1, 100, 0600, error);
    ASSERT_TRUE(first);
    EXPECT_FALSE(SharedSection::Create(name, 1, 100, 0600, error));
    EXPECT_EQ(error, SectionError::AlreadyExists);
    EXPECT_FALSE(SharedSection::Create(name + "x", 1, 0, 0600, error));
    EXPECT_EQ(error, SectionError::Other);
    EXPECT_FALSE(SharedSection::Create("Local\\bad name", 1, 100, 0600, error));
    EXPECT_EQ(error, SectionError::Other);
    EXPECT_FALSE(SharedSection::Open("Local\\" + UniqueBase("Never"), 1, error));
    EXPECT_EQ(error, SectionError::Other);
}

TEST(SharedSections, OnlyASectionWhoseCreatorDiedIsReclaimed) {
    const std::string live = "Local\\" + UniqueBase("Live");
    const std::string left = "Local\\" + UniqueBase("Left");
    SectionError error;
    auto owned = SharedSection::Create(live, 3, 64, 0600, error);
    ASSERT_TRUE(owned);
    EXPECT_FALSE(platform::ReclaimAbandonedSection(live, 3));
    EXPECT_TRUE(ObjectExists(owned->ObjectName()));

    // A creator that dies without closing leaves its name behind.
    const pid_t pid = fork();
    if (pid == 0) {
        SectionError childError;
        auto section = SharedSection::Create(left, 3, 64, 0600, childError).release();
        _exit(section ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(SharedSection::Create(left, 3, 64, 0600, error));
    EXPECT_EQ(error, SectionError::AlreadyExists);
    EXPECT_TRUE(platform::ReclaimAbandonedSection(left, 3));
    EXPECT_TRUE(SharedSection::Create(left, 3, 64, 0600, error));
    EXPECT_FALSE(platform::ReclaimAbandonedSection("Local\\" + UniqueBase("None"), 3));
}

TEST(SharedSections, TheModeIsExactlyTheOneAskedForWhateverTheUmask) {
    for (mode_t umaskValue : {mode_t{0}, mode_t{077}}) {
        for (mode_t mode : {mode_t{0600}, mode_t{0644}, mode_t{0666}}) {
            mode_t old = umask(umaskValue);
            SectionError error;
            auto section =
                SharedSection::Create("Local\\" + UniqueBase("Mode"), 1, 64, mode, error);
            umask(old);
            ASSERT_TRUE(section);
            struct stat info {};
            ASSERT_EQ(stat(("/dev/shm" + section->ObjectName()).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, mode) << std::oct << mode << " umask " << umaskValue;
        }
    }
}

} // namespace
