// Object references and dynamic values layered by type handlers.
#include "container_fixture.h"

#include <cstring>

using namespace container_test;

namespace {

class References : public ContainerTest {};

TEST_F(References, KeysAreObjectIDsAndResolveAfterReopen) {
    const std::string file = path("refs.bento");
    CMObjectID targetID = 0;
    {
        CMContainer container = create(file);
        CMProperty property = CMRegisterProperty(container, "Test:Ref");
        CMType type = CMRegisterType(container, "Test:ObjRef");
        CMObject target = CMNewObject(container);
        targetID = CMGetObjectID(target);
        CMValue marker = CMNewValue(target, property, type);
        CMWriteValueData(marker, "target", 0, 6);
        CMObject holder = CMNewObject(container);
        CMValue value = CMNewValue(holder, property, type);
        CMReference key{};
        ASSERT_NE(CMNewReference(value, target, key), nullptr);
        const unsigned char expected[4] = {static_cast<unsigned char>(targetID),
                                           static_cast<unsigned char>(targetID >> 8),
                                           static_cast<unsigned char>(targetID >> 16),
                                           static_cast<unsigned char>(targetID >> 24)};
        EXPECT_EQ(std::memcmp(key, expected, 4), 0); // little-endian container order
        CMWriteValueData(value, key, 0, 4);
        EXPECT_EQ(CMGetReferencedObject(value, key), target);
        CMCloseContainer(container);
    }
    CMContainer container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMObject target = CMGetNextObject(container, nullptr);
    CMObject holder = CMGetNextObject(container, target);
    CMValue value = CMUseValue(holder, CMGetGlobalNameObject(container, "Test:Ref"),
                               CMGetGlobalNameObject(container, "Test:ObjRef"));
    ASSERT_NE(value, nullptr);
    CMReference key{};
    ASSERT_EQ(CMReadValueData(value, key, 0, 4), 4u);
    EXPECT_EQ(CMGetReferencedObject(value, key), target);
    EXPECT_EQ(CMGetObjectID(target), targetID);
    CMCloseContainer(container);
    EXPECT_TRUE(errorLog().empty()) << errorNumbers();
}

TEST_F(References, KeysWithoutATableAreObjectIDs) {
    const std::string file = path("plain-keys.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "Test:Ref");
    CMType type = CMRegisterType(container, "Test:ObjRef");
    CMObject target = CMNewObject(container);
    CMWriteValueData(CMNewValue(target, property, type), "t", 0, 1);
    CMValue value = CMNewValue(CMNewObject(container), property, type);
    uint32_t id = CMGetObjectID(target); // a writer that keeps no reference table
    unsigned char key[4];
    std::memcpy(key, &id, 4);
    CMWriteValueData(value, key, 0, 4);
    CMCloseContainer(container);

    container = open(file);
    CMObject first = CMGetNextObject(container, nullptr);
    value = CMUseValue(CMGetNextObject(container, first),
                       CMGetGlobalNameObject(container, "Test:Ref"),
                       CMGetGlobalNameObject(container, "Test:ObjRef"));
    CMReadValueData(value, key, 0, 4);
    EXPECT_EQ(CMGetReferencedObject(value, key), first);
    const unsigned char zero[4] = {};
    EXPECT_EQ(CMGetReferencedObject(value, zero), nullptr);
    EXPECT_TRUE(reported(133));
    const unsigned char missing[4] = {0x00, 0x00, 0x99, 0x00};
    EXPECT_EQ(CMGetReferencedObject(value, missing), nullptr);
    EXPECT_TRUE(reported(59));
    CMCloseContainer(container);
}

// A type handler of the test's own: values of "Test:Scrambled" are stored
// XOR 0x5A in the base value and read back clear.
struct ScrambleStats {
    int newValues = 0;
    int releases = 0;
};
ScrambleStats scrambleStats;
bool recurse = false;

CMSize scrambledSize(CMValue value) { return CMGetValueSize(CMGetBaseValue(value)); }

CMSize scrambledRead(CMValue value, CMPtr buffer, CMSize offset, CMSize maxSize) {
    if (recurse) return CMReadValueData(value, buffer, offset, maxSize);
    CMSize got = CMReadValueData(CMGetBaseValue(value), buffer, offset, maxSize);
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (CMSize i = 0; i < got; ++i) bytes[i] ^= 0x5A;
    return got;
}

CMSize scrambledWrite(CMValue value, const void* buffer, CMSize offset, CMSize size) {
    std::vector<unsigned char> bytes(static_cast<const unsigned char*>(buffer),
                                     static_cast<const unsigned char*>(buffer) + size);
    for (unsigned char& byte : bytes) byte ^= 0x5A;
    return CMWriteValueData(CMGetBaseValue(value), bytes.data(), offset, size);
}

void scrambledRelease(CMValue) { ++scrambleStats.releases; }

CMHandlerAddr scrambledOperations(CMType, const char* operation) {
    std::string name = operation;
    if (name == CMGetValueSizeOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledSize);
    if (name == CMReadValueDataOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledRead);
    if (name == CMWriteValueDataOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledWrite);
    if (name == CMReleaseValueOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledRelease);
    return nullptr;
}

CMBoolean scrambledNew(CMValue, CMType, CMPtr) {
    ++scrambleStats.newValues;
    return 1;
}

CMMetaHandler scrambledUse(CMValue, CMType, CMRefCon*) { return &scrambledOperations; }

CMHandlerAddr scrambledTypeHandler(CMType, const char* operation) {
    std::string name = operation;
    if (name == CMNewValueOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledNew);
    if (name == CMUseValueOpType) return reinterpret_cast<CMHandlerAddr>(&scrambledUse);
    return nullptr;
}

class DynamicValues : public ContainerTest {
  protected:
    void SetUp() override {
        ContainerTest::SetUp();
        scrambleStats = {};
        recurse = false;
        CMSetTypeMetaHandler(session_, "Test:Scrambled", &scrambledTypeHandler);
    }
};

TEST_F(DynamicValues, HandlerOperationsReplaceThePlainOnes) {
    const std::string file = path("dynamic.bento");
    CMContainer container = create(file);
    CMProperty property = CMRegisterProperty(container, "Test:Data");
    CMType type = CMRegisterType(container, "Test:Scrambled");
    CMObject object = CMNewObject(container);
    CMValue value = CMNewValue(object, property, type);
    ASSERT_NE(value, nullptr) << errorNumbers();
    EXPECT_EQ(scrambleStats.newValues, 1);
    EXPECT_EQ(CMWriteValueData(value, "secret text", 0, 11), 11u);
    EXPECT_EQ(CMGetValueSize(value), 11u);
    std::vector<unsigned char> clear = readValue(value);
    EXPECT_EQ(std::string(clear.begin(), clear.end()), "secret text");
    // The base value outside a handler call is refused.
    EXPECT_EQ(CMGetBaseValue(value), nullptr);
    EXPECT_TRUE(reported(75));
    // Removing the object while the dynamic value is in use is refused.
    CMRemoveObject(object);
    EXPECT_TRUE(reported(122));
    CMReleaseValue(value);
    EXPECT_EQ(scrambleStats.releases, 1);
    CMCloseContainer(container);

    // Without the handler the stored bytes are the scrambled ones.
    CMSetTypeMetaHandler(session_, "Test:Scrambled", nullptr);
    container = open(file);
    ASSERT_NE(container, nullptr) << errorNumbers();
    CMValue stored = CMUseValue(CMGetNextObject(container, nullptr),
                                CMGetGlobalNameObject(container, "Test:Data"),
                                CMGetGlobalNameObject(container, "Test:Scrambled"));
    std::vector<unsigned char> raw = readValue(stored);
    ASSERT_EQ(raw.size(), 11u);
    EXPECT_EQ(raw[0], 's' ^ 0x5A);
    CMCloseContainer(container);

    CMSetTypeMetaHandler(session_, "Test:Scrambled", &scrambledTypeHandler);
    container = open(file);
    CMValue reopened = CMUseValue(CMGetNextObject(container, nullptr),
                                  CMGetGlobalNameObject(container, "Test:Data"),
                                  CMGetGlobalNameObject(container, "Test:Scrambled"));
    clear = readValue(reopened);
    EXPECT_EQ(std::string(clear.begin(), clear.end()), "secret text");
    EXPECT_EQ(scrambleStats.newValues, 1); // using a value does not create it
    CMCloseContainer(container);
}

// Setting or removing a type's handler applies to the values used after it,
// in a container whose values of that type were already used without one.
TEST_F(DynamicValues, AHandlerSetLaterAppliesToTheNextUse) {
    CMSetTypeMetaHandler(session_, "Test:Scrambled", nullptr);
    CMContainer container = create(path("later.bento"));
    CMProperty property = CMRegisterProperty(container, "Test:Data");
    CMType type = CMRegisterType(container, "Test:Scrambled");
    CMObject object = CMNewObject(container);
    CMValue plain = CMNewValue(object, property, type);
    ASSERT_NE(plain, nullptr) << errorNumbers();
    CMWriteValueData(plain, "abc", 0, 3);
    EXPECT_EQ(CMUseValue(object, property, type), plain);

    CMSetTypeMetaHandler(session_, "Test:Scrambled", &scrambledTypeHandler);
    CMValue dynamic = CMUseValue(object, property, type);
    ASSERT_NE(dynamic, nullptr) << errorNumbers();
    EXPECT_NE(dynamic, plain);
    std::vector<unsigned char> read = readValue(dynamic);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0], 'a' ^ 0x5A);
    CMReleaseValue(dynamic);

    CMSetTypeMetaHandler(session_, "Test:Scrambled", nullptr);
    EXPECT_EQ(CMUseValue(object, property, type), plain);
    CMCloseContainer(container);
}

TEST_F(DynamicValues, AHandlerCallingItselfIsStopped) {
    CMContainer container = create(path("recursion.bento"));
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "Test:Data"),
                               CMRegisterType(container, "Test:Scrambled"));
    CMWriteValueData(value, "abc", 0, 3);
    recurse = true;
    unsigned char buffer[3];
    EXPECT_EQ(CMReadValueData(value, buffer, 0, 3), 0u);
    EXPECT_TRUE(reported(85));
    CMCloseContainer(container);
}

TEST_F(DynamicValues, BaseTypesAreLayeredUnderTheType) {
    const std::string file = path("layers.bento");
    CMContainer container = create(file);
    CMType scrambled = CMRegisterType(container, "Test:Scrambled");
    CMType outer = CMRegisterType(container, "Test:Outer"); // no handler of its own
    ASSERT_TRUE(CMAddBaseType(outer, scrambled));
    EXPECT_FALSE(CMAddBaseType(outer, scrambled));
    EXPECT_TRUE(reported(23));
    CMValue value = CMNewValue(CMNewObject(container), CMRegisterProperty(container, "Test:Data"),
                               outer);
    ASSERT_NE(value, nullptr) << errorNumbers();
    CMWriteValueData(value, "layered", 0, 7);
    std::vector<unsigned char> clear = readValue(value);
    EXPECT_EQ(std::string(clear.begin(), clear.end()), "layered");
    CMCloseContainer(container);

    CMSetTypeMetaHandler(session_, "Test:Scrambled", nullptr);
    container = open(file);
    CMValue stored = CMUseValue(CMGetNextObject(container, nullptr),
                                CMGetGlobalNameObject(container, "Test:Data"),
                                CMGetGlobalNameObject(container, "Test:Outer"));
    std::vector<unsigned char> raw = readValue(stored);
    ASSERT_EQ(raw.size(), 7u);
    EXPECT_EQ(raw[0], 'l' ^ 0x5A);
    CMCloseContainer(container);
}

} // namespace
