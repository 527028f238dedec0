// The TOC index: objects found by ID and visited by ascending ID whatever the
// order a TOC lists them in, objects removed from it, and an index of many
// objects.
#include "container_fixture.h"
#include "raw_container.h"

#include <algorithm>

using namespace container_test;

namespace {

class ObjectIndex : public ContainerTest {
  protected:
    static std::vector<CMObjectID> userObjectIDs(CMContainer container) {
        std::vector<CMObjectID> ids;
        for (CMObject object = CMGetNextObject(container, nullptr); object != nullptr;
             object = CMGetNextObject(container, object)) {
            ids.push_back(CMGetObjectID(object));
        }
        return ids;
    }

    static std::vector<CMObjectID> tocObjectIDs(CMContainer container) {
        std::vector<CMObjectID> ids;
        for (CMObject object = CMGetNextTocObject(container, nullptr); object != nullptr;
             object = CMGetNextTocObject(container, object)) {
            ids.push_back(CMGetObjectID(object));
        }
        return ids;
    }

    static std::vector<unsigned char> idBytes(CMObjectID id) {
        return {static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                static_cast<unsigned char>(id >> 16), static_cast<unsigned char>(id >> 24)};
    }
};

TEST_F(ObjectIndex, ObjectsListedOutOfOrderAreFoundAndVisitedByAscendingID) {
    // User objects in descending order, and the property and type they use
    // defined only after them.
    RawContainer raw;
    uint32_t p = raw.data({'P', 0});
    uint32_t t = raw.data({'T', 0});
    raw.standardObject();
    for (uint32_t id : {0x10009u, 0x10005u, 0x10007u}) {
        raw.object(id, 0x10001, 0x10002).immediate({static_cast<unsigned char>(id), 0xAB});
    }
    raw.object(0x10002, 21, 23).segment(t, 2);
    raw.object(0x10001, 21, 24).segment(p, 2);
    const std::string file = path("out_of_order.bento");
    writeFile(file, raw.build());

    CMContainer container = open(file, kCMReadWrite);
    ASSERT_NE(container, nullptr) << errorNumbers();
    EXPECT_EQ(userObjectIDs(container), (std::vector<CMObjectID>{0x10005, 0x10007, 0x10009}));
    EXPECT_EQ(tocObjectIDs(container),
              (std::vector<CMObjectID>{1, 0x10001, 0x10002, 0x10005, 0x10007, 0x10009}));
    CMProperty property = CMGetGlobalNameObject(container, "P");
    CMType type = CMGetGlobalNameObject(container, "T");
    ASSERT_NE(property, nullptr);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(CMGetObjectID(property), 0x10001u);
    for (CMObjectID id : {0x10005u, 0x10007u, 0x10009u}) {
        CMObject object = CMFindObjectByID(container, id);
        ASSERT_NE(object, nullptr) << id;
        EXPECT_EQ(readValue(CMUseValue(object, property, type)),
                  (std::vector<unsigned char>{static_cast<unsigned char>(id), 0xAB}));
    }
    EXPECT_EQ(CMFindObjectByID(container, 0x10006), nullptr);
    // New objects continue after the highest ID, not after the last one listed.
    CMObject added = CMNewObject(container);
    ASSERT_NE(added, nullptr) << errorNumbers();
    EXPECT_EQ(CMGetObjectID(added), 0x1000Au);
    CMWriteValueData(CMNewValue(added, property, type), "new", 0, 3);
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    EXPECT_EQ(userObjectIDs(container),
              (std::vector<CMObjectID>{0x10005, 0x10007, 0x10009, 0x1000A}));
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_F(ObjectIndex, RemovedObjectsLeaveTheIndexAndTheToc) {
    const std::string file = path("removed.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    std::vector<CMObject> objects;
    for (int i = 0; i < 600; ++i) {
        CMObject object = CMNewObject(container);
        CMObjectID id = CMGetObjectID(object);
        CMWriteValueData(CMNewValue(object, property, type), idBytes(id).data(), 0, 4);
        objects.push_back(object);
    }
    // Two of every three go, from the highest down: more than half the index.
    std::vector<CMObjectID> kept, removed;
    for (int i = 599; i >= 0; --i) {
        CMObjectID id = CMGetObjectID(objects[i]);
        if (i % 3 == 0) {
            kept.insert(kept.begin(), id);
        } else {
            CMRemoveObject(objects[i]);
            removed.push_back(id);
        }
    }
    EXPECT_EQ(userObjectIDs(container), kept);
    for (CMObjectID id : removed)
        EXPECT_EQ(CMFindObjectByID(container, id), nullptr) << id;
    for (CMObjectID id : kept)
        EXPECT_NE(CMFindObjectByID(container, id), nullptr) << id;
    // Removed IDs are not handed out again.
    CMObject added = CMNewObject(container);
    EXPECT_EQ(CMGetObjectID(added), CMGetObjectID(objects.back()) + 1);
    CMWriteValueData(CMNewValue(added, property, type), idBytes(CMGetObjectID(added)).data(), 0, 4);
    kept.push_back(CMGetObjectID(added));
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    EXPECT_EQ(userObjectIDs(container), kept);
    property = CMGetGlobalNameObject(container, "P");
    type = CMGetGlobalNameObject(container, "T");
    for (CMObjectID id : kept) {
        CMObject object = CMFindObjectByID(container, id);
        ASSERT_NE(object, nullptr) << id;
        EXPECT_EQ(readValue(CMUseValue(object, property, type)), idBytes(id));
    }
    for (CMObjectID id : removed)
        EXPECT_EQ(CMFindObjectByID(container, id), nullptr) << id;
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

// An index of this many objects outgrows two megabytes.
TEST_F(ObjectIndex, AnIndexOfManyObjectsFindsEveryOne) {
    constexpr int kObjects = 140000;
    const std::string file = path("many.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "P");
    CMType type = CMRegisterType(container, "T");
    CMObjectID first = 0, last = 0;
    for (int i = 0; i < kObjects; ++i) {
        CMObject object = CMNewObject(container);
        last = CMGetObjectID(object);
        if (i == 0) first = last;
        CMWriteValueData(CMNewValue(object, property, type), idBytes(last).data(), 0, 4);
    }
    CMCloseContainer(container);

    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    property = CMGetGlobalNameObject(container, "P");
    type = CMGetGlobalNameObject(container, "T");
    std::vector<CMObjectID> ids = userObjectIDs(container);
    ASSERT_EQ(ids.size(), size_t(kObjects));
    EXPECT_EQ(ids.front(), first);
    EXPECT_EQ(ids.back(), last);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    for (CMObjectID id = first; id <= last; id += 997) {
        CMObject object = CMFindObjectByID(container, id);
        ASSERT_NE(object, nullptr) << id;
        EXPECT_EQ(readValue(CMUseValue(object, property, type)), idBytes(id));
    }
    EXPECT_NE(CMFindObjectByID(container, last), nullptr);
    EXPECT_EQ(CMFindObjectByID(container, last + 1), nullptr);
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

} // namespace
