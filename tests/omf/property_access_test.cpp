// Property access: every typed accessor written and read back in files of
// each revision and byte order, and the checks of the value-level routines.
#include "omf_fixture.h"

#include "omf/internal/records.h"
#include "omf/internal/registry.h"
#include "omf/omf_checks.h"
#include "omf/omf_int64.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <vector>

using namespace omf_test;

namespace {

// Values of each type, carried by properties that exist in both revisions,
// each written through an object of the property's class.
struct TypedValues {
    std::string string = "a longer text value";
    omfBool boolean = true;
    omfInt32 int32 = -123456789;
    omfUInt32 uint32 = 0xDEADBEEF;
    omfInt16 int16 = -1234;
    omfRational_t rational{30000, 1001};
    omfTimeStamp_t stamp{1700000000u, 1};
    omfUID_t uid{0x11223344u, 0x55667788u, 0x99AABBCCu};
    omfVersionType_t version{2, 1};
    omfProductVersion_t product{3, 4, 5, kVersionReleased, 6};
};

class PropertyAccess : public ToolkitTest {
  protected:
    // Creates a file (byte order forced for the test) and an object of
    // `classID` to carry values.
    omfHdl_t createFile(const std::string& name, omfFileRev_t revision, uint16_t byteOrder,
                        omfObject_t* object, const char* classID = "IDNT") {
        omfHdl_t file = nullptr;
        EXPECT_EQ(omfsNewFile(path(name).c_str(), session_, revision, &file), 0);
        file->byteOrder = byteOrder;
        EXPECT_EQ(omfsObjectNew(file, classID, object), 0);
        return file;
    }

    // The objects carrying the typed values: the identification properties
    // live on an IDNT, the others on objects of their own classes.
    struct Carriers {
        omfObject_t identification = nullptr;
        omfObject_t mob = nullptr;    // MobID
        omfObject_t image = nullptr;  // ImageAspectRatio (DIDD)
        omfObject_t tiff = nullptr;   // IsUniform (TIFD)
        omfObject_t header = nullptr; // Version (HEAD in 2.x files)
    };

    static Carriers makeCarriers(omfHdl_t file, omfObject_t identification) {
        Carriers carriers;
        carriers.identification = identification;
        EXPECT_EQ(omfsObjectNew(file, "MOBJ", &carriers.mob), 0);
        EXPECT_EQ(omfsObjectNew(file, "DIDD", &carriers.image), 0);
        EXPECT_EQ(omfsObjectNew(file, "TIFD", &carriers.tiff), 0);
        EXPECT_EQ(omfsObjectNew(file, "HEAD", &carriers.header), 0);
        return carriers;
    }

    static void writeAll(omfHdl_t file, const Carriers& c, const TypedValues& v) {
        omfObject_t object = c.identification;
        ASSERT_EQ(omfsWriteString(file, object, kOmfProperty_IDNT_CompanyName, v.string.c_str()),
                  0);
        ASSERT_EQ(omfsWriteInt32(file, object, kOmfProperty_IDNT_ProductID, v.int32), 0);
        ASSERT_EQ(omfsWriteInt16(file, object, kOmfProperty_IDNT_IDByteOrder, v.int16), 0);
        ASSERT_EQ(
            omfsWriteProductVersion(file, object, kOmfProperty_IDNT_ProductVersion, v.product), 0);
        ASSERT_EQ(omfsWriteTimeStamp(file, object, kOmfProperty_IDNT_Date, v.stamp), 0);
        ASSERT_EQ(omfsWriteUID(file, c.mob, kOmfProperty_MOBJ_MobID, v.uid), 0);
        ASSERT_EQ(omfsWriteRational(file, c.image, 196 /* ImageAspectRatio */, v.rational), 0);
        ASSERT_EQ(omfsWriteBoolean(file, c.tiff, 227 /* IsUniform */, v.boolean), 0);
        ASSERT_EQ(omfsWriteVersionType(file, c.header, kOmfProperty_HEAD_Version, v.version), 0);
    }

    static void expectAll(omfHdl_t file, const Carriers& c, const TypedValues& v) {
        omfObject_t object = c.identification;
        char text[64];
        ASSERT_EQ(omfsReadString(file, object, kOmfProperty_IDNT_CompanyName, text, sizeof text),
                  0);
        EXPECT_EQ(std::string(text), v.string);
        omfInt32 int32 = 0;
        ASSERT_EQ(omfsReadInt32(file, object, kOmfProperty_IDNT_ProductID, &int32), 0);
        EXPECT_EQ(int32, v.int32);
        omfInt16 int16 = 0;
        ASSERT_EQ(omfsReadInt16(file, object, kOmfProperty_IDNT_IDByteOrder, &int16), 0);
        EXPECT_EQ(int16, v.int16);
        omfProductVersion_t product{};
        ASSERT_EQ(omfsReadProductVersion(file, object, kOmfProperty_IDNT_ProductVersion, &product),
                  0);
        EXPECT_EQ(product.major, v.product.major);
        EXPECT_EQ(product.tertiary, v.product.tertiary);
        EXPECT_EQ(product.type, v.product.type);
        EXPECT_EQ(product.patchLevel, v.product.patchLevel);
        omfTimeStamp_t stamp{};
        ASSERT_EQ(omfsReadTimeStamp(file, object, kOmfProperty_IDNT_Date, &stamp), 0);
        EXPECT_EQ(stamp.TimeVal, v.stamp.TimeVal);
        EXPECT_EQ(stamp.IsGMT, v.stamp.IsGMT);
        omfUID_t uid{};
        ASSERT_EQ(omfsReadUID(file, c.mob, kOmfProperty_MOBJ_MobID, &uid), 0);
        EXPECT_EQ(uid.prefix, v.uid.prefix);
        EXPECT_EQ(uid.major, v.uid.major);
        EXPECT_EQ(uid.minor, v.uid.minor);
        omfRational_t rational{};
        ASSERT_EQ(omfsReadRational(file, c.image, 196, &rational), 0);
        EXPECT_EQ(rational.numerator, v.rational.numerator);
        EXPECT_EQ(rational.denominator, v.rational.denominator);
        omfBool boolean = false;
        ASSERT_EQ(omfsReadBoolean(file, c.tiff, 227, &boolean), 0);
        EXPECT_EQ(boolean, v.boolean);
        omfVersionType_t version{};
        ASSERT_EQ(omfsReadVersionType(file, c.header, kOmfProperty_HEAD_Version, &version), 0);
        EXPECT_EQ(version.major, v.version.major);
        EXPECT_EQ(version.minor, v.version.minor);
    }
};

TEST_F(PropertyAccess, TypedValuesRoundTripInEveryRevisionAndByteOrder) {
    const TypedValues values;
    struct Case {
        omfFileRev_t revision;
        uint16_t byteOrder;
    };
    for (Case test : {Case{kOmfRev1x, kOmfLittleEndian}, Case{kOmfRevIMA, kOmfLittleEndian},
                      Case{kOmfRev2x, kOmfLittleEndian}, Case{kOmfRev2x, kOmfBigEndian},
                      Case{kOmfRevIMA, kOmfBigEndian}}) {
        SCOPED_TRACE("revision " + std::to_string(test.revision) + " order " +
                     std::to_string(test.byteOrder));
        const std::string name =
            "typed" + std::to_string(test.revision) + std::to_string(test.byteOrder) + ".omf";
        omfObject_t object = nullptr;
        omfHdl_t file = createFile(name, test.revision, test.byteOrder, &object);
        const Carriers carriers = makeCarriers(file, object);
        writeAll(file, carriers, values);
        expectAll(file, carriers, values);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
    }
}

TEST_F(PropertyAccess, StoredBytesFollowTheFilesByteOrder) {
    for (uint16_t order : {kOmfLittleEndian, kOmfBigEndian}) {
        omfObject_t object = nullptr;
        omfHdl_t file =
            createFile("order" + std::to_string(order) + ".omf", kOmfRev2x, order, &object);
        ASSERT_EQ(omfsWriteInt32(file, object, kOmfProperty_IDNT_ProductID, 1), 0);
        unsigned char raw[4];
        CMValue value =
            CMUseValue(object, CMGetGlobalNameObject(file->container, "OMFI:IDNT:ProductID"),
                       CMGetGlobalNameObject(file->container, "omfi:Int32"));
        ASSERT_NE(value, nullptr);
        ASSERT_EQ(CMReadValueData(value, raw, 0, 4), 4u);
        const unsigned char bigEndian[4] = {0, 0, 0, 1}, littleEndian[4] = {1, 0, 0, 0};
        EXPECT_EQ(std::memcmp(raw, order == kOmfBigEndian ? bigEndian : littleEndian, 4), 0);
        omfInt32 back = 0;
        ASSERT_EQ(omfsReadInt32(file, object, kOmfProperty_IDNT_ProductID, &back), 0);
        EXPECT_EQ(back, 1);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
    }
}

TEST_F(PropertyAccess, ShortStringsArePaddedToFiveBytes) {
    omfObject_t object = nullptr;
    omfHdl_t file = createFile("strings.omf", kOmfRev2x, kOmfLittleEndian, &object);
    ASSERT_EQ(omfsWriteString(file, object, kOmfProperty_IDNT_CompanyName, "a long company name"),
              0);
    ASSERT_EQ(omfsWriteString(file, object, kOmfProperty_IDNT_CompanyName, "ab"), 0);
    omfInt64 length = 0;
    ASSERT_EQ(
        omfsValueLength(file, object, kOmfProperty_IDNT_CompanyName, kOmfType_String, &length), 0);
    EXPECT_EQ(length, 5);
    unsigned char raw[5];
    ASSERT_EQ(omfsReadValueBytes(file, object, kOmfProperty_IDNT_CompanyName, 0, 1, kOmfType_String,
                                 5, raw),
              0);
    const unsigned char expected[5] = {'a', 'b', 0, 0, 0};
    EXPECT_EQ(std::memcmp(raw, expected, 5), 0);
    char text[16];
    ASSERT_EQ(omfsReadString(file, object, kOmfProperty_IDNT_CompanyName, text, sizeof text), 0);
    EXPECT_STREQ(text, "ab");
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, ValueLevelChecksComeInOrder) {
    omfObject_t object = nullptr;
    omfHdl_t file = createFile("checks.omf", kOmfRev2x, kOmfLittleEndian, &object);
    unsigned char buffer[8] = {};
    EXPECT_EQ(omfsReadValueBytes(nullptr, object, kOmfProperty_IDNT_ProductID, 0, 0, kOmfType_Int32,
                                 4, buffer),
              20);
    EXPECT_EQ(omfsReadValueBytes(file, nullptr, kOmfProperty_IDNT_ProductID, 0, 0, kOmfType_Int32,
                                 4, buffer),
              116);
    EXPECT_EQ(omfsReadValueBytes(file, object, kOmfProperty_IDNT_ProductID, 0, 0, kOmfType_Int32, 4,
                                 nullptr),
              51);
    EXPECT_EQ(omfsReadValueBytes(file, object, 9999, 0, 0, kOmfType_Int32, 4, buffer), 119);
    EXPECT_EQ(omfsReadValueBytes(file, object, kOmfProperty_IDNT_ProductID, 0, 0, 9999, 4, buffer),
              120);
    EXPECT_EQ(omfsReadValueBytes(file, object, kOmfProperty_IDNT_ProductID, 0, 0, kOmfType_Int32, 4,
                                 buffer),
              123);
    ASSERT_EQ(omfsWriteInt32(file, object, kOmfProperty_IDNT_ProductID, 5), 0);
    EXPECT_EQ(omfsReadValueBytes(file, object, kOmfProperty_IDNT_ProductID, 0, 1, kOmfType_Int32, 4,
                                 buffer),
              120);
    // 8 bytes of data (TIFD Summary): 4 at offset 6 run past the end.
    ASSERT_EQ(omfsObjectNew(file, "TIFD", &object), 0);
    const unsigned char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(omfsWriteDataBytes(file, object, 232, kOmfType_DataValue, 0, 8, data), 0);
    EXPECT_EQ(omfsReadValueBytes(file, object, 232, 6, 1, kOmfType_DataValue, 4, buffer), 122);
    EXPECT_EQ(omfsReadValueBytes(file, object, 232, 9, 1, kOmfType_DataValue, 1, buffer), 122);
    omfInt32 got = 0;
    EXPECT_EQ(omfsReadDataBytes(file, object, 232, kOmfType_DataValue, 6, 4, buffer, &got), 122);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, ArraysCountFromOneAndRefuseElementsOutside) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        omfObject_t object = nullptr;
        // The class dictionary is a HEAD property holding CLSD objects.
        omfHdl_t file = createFile("arrays" + std::to_string(revision) + ".omf", revision,
                                   kOmfLittleEndian, &object, "HEAD");
        omfObject_t head = nullptr;
        omfsGetHeadObject(file, &head);
        const omfProperty_t list = revision == kOmfRev2x ? kOmfProperty_HEAD_ClassDictionary
                                                         : kOmfProperty_ClassDictionary;
        std::vector<omfObject_t> targets;
        for (int i = 0; i < 3; ++i) {
            omfObject_t target = nullptr;
            ASSERT_EQ(omfsObjectNew(file, "CLSD", &target), 0);
            ASSERT_EQ(omfsAppendObjRefArray(file, object, list, target), 0);
            targets.push_back(target);
        }
        ASSERT_EQ(omfsLengthObjRefArray(file, object, list), 3);
        for (int i = 1; i <= 3; ++i) {
            omfObject_t found = nullptr;
            ASSERT_EQ(omfsGetNthObjRefArray(file, object, list, &found, i), 0);
            EXPECT_EQ(found, targets[static_cast<size_t>(i - 1)]);
        }
        omfObject_t found = nullptr;
        EXPECT_EQ(omfsGetNthObjRefArray(file, object, list, &found, 0), 117);
        EXPECT_EQ(omfsGetNthObjRefArray(file, object, list, &found, 4), 117);
        ASSERT_EQ(omfsArrayDelete(file, object, list, kOmfType_ObjRefArray,
                                  revision == kOmfRev2x ? 4 : 8, 2),
                  0);
        ASSERT_EQ(omfsLengthObjRefArray(file, object, list), 2);
        ASSERT_EQ(omfsGetNthObjRefArray(file, object, list, &found, 2), 0);
        EXPECT_EQ(found, targets[2]);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
    }
}

TEST_F(PropertyAccess, MobIndexEntriesAndReferencesSurviveReopening) {
    const omfUID_t mobID{1, 2, 3};
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("mobindex.omf").c_str(), session_, kOmfRev1x, &file), 0);
    omfObject_t head = nullptr, mob = nullptr;
    omfsGetHeadObject(file, &head);
    ASSERT_EQ(omfsObjectNew(file, "MOBJ", &mob), 0);
    ASSERT_EQ(omfsWriteUID(file, mob, kOmfProperty_MOBJ_MobID, mobID), 0);
    ASSERT_EQ(omfsAppendMobIndex(file, head, kOmfProperty_CompositionMobs, mobID, mob), 0);
    ASSERT_EQ(omfsCloseOMFFile(file), 0);

    ASSERT_EQ(omfsOpenFileForRead(path("mobindex.omf").c_str(), session_, &file), 0);
    omfsGetHeadObject(file, &head);
    ASSERT_EQ(omfsLengthMobIndex(file, head, kOmfProperty_CompositionMobs), 1);
    omfUID_t readID{};
    omfObject_t readMob = nullptr;
    ASSERT_EQ(omfsGetNthMobIndex(file, head, kOmfProperty_CompositionMobs, 1, &readID, &readMob),
              0);
    EXPECT_EQ(readID.prefix, 1u);
    EXPECT_EQ(readID.major, 2u);
    EXPECT_EQ(readID.minor, 3u);
    omfUID_t stored{};
    ASSERT_EQ(omfsReadUID(file, readMob, kOmfProperty_MOBJ_MobID, &stored), 0);
    EXPECT_EQ(stored.minor, 3u);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, MobIndexEntriesAreMovedAsLittleEndianBytesInMMFiles) {
    omfObject_t mob = nullptr, older = nullptr, head = nullptr;
    omfHdl_t file = createFile("mobindexMM.omf", kOmfRev1x, kOmfBigEndian, &mob, "MOBJ");
    omfsGetHeadObject(file, &head);
    ASSERT_EQ(omfsObjectNew(file, "MOBJ", &older), 0);
    const omfUID_t id{0x01020304u, 5, 6}, olderID{7, 8, 9};
    ASSERT_EQ(omfsWriteUID(file, mob, kOmfProperty_MOBJ_MobID, id), 0);
    ASSERT_EQ(omfsWriteUID(file, older, kOmfProperty_MOBJ_MobID, olderID), 0);
    ASSERT_EQ(omfsAppendMobIndex(file, head, kOmfProperty_CompositionMobs, id, mob), 0);
    // An entry whose numbers another writer stored big-endian: the little-endian bytes of the
    // byte-reversed numbers.
    const omfUID_t reversed{0x07000000u, 0x08000000u, 0x09000000u};
    ASSERT_EQ(omfsAppendMobIndex(file, head, kOmfProperty_CompositionMobs, reversed, older), 0);

    CMValue value = CMUseValue(head, CMGetGlobalNameObject(file->container, "OMFI:CompositionMobs"),
                               CMGetGlobalNameObject(file->container, "omfi:MobIndex"));
    ASSERT_NE(value, nullptr);
    unsigned char stored[6] = {};
    ASSERT_EQ(CMReadValueData(value, stored, 0, sizeof stored), sizeof stored);
    const unsigned char expected[6] = {2, 0, 4, 3, 2, 1}; // count 2, then 0x01020304
    EXPECT_EQ(std::memcmp(stored, expected, sizeof expected), 0);

    omfUID_t readID{};
    omfObject_t readMob = nullptr;
    ASSERT_EQ(omfsGetNthMobIndex(file, head, kOmfProperty_CompositionMobs, 1, &readID, &readMob),
              0);
    EXPECT_EQ(readID.prefix, id.prefix);
    EXPECT_EQ(readMob, mob);
    ASSERT_EQ(omfsGetNthMobIndex(file, head, kOmfProperty_CompositionMobs, 2, &readID, &readMob),
              0);
    EXPECT_EQ(readID.prefix, 7u);
    EXPECT_EQ(readID.minor, 9u);
    EXPECT_EQ(readMob, older);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, PositionsAndLengthsPickTheirWidth) {
    omfObject_t object = nullptr;
    omfHdl_t file = createFile("lengths.omf", kOmfRev2x, kOmfLittleEndian, &object, "MDFL");
    const omfProperty_t length = 64; // MDFL Length: Length32 or Length64
    ASSERT_EQ(omfsWriteLength(file, object, length, 1000), 0);
    EXPECT_TRUE(omfsPropertyPresent(file, object, length, kOmfType_Length32));
    ASSERT_EQ(omfsWriteLength(file, object, length, 1ll << 40), 0);
    EXPECT_TRUE(omfsPropertyPresent(file, object, length, kOmfType_Length64));
    omfInt64 back = 0;
    ASSERT_EQ(omfsReadLength(file, object, length, &back), 0);
    EXPECT_EQ(back, 1ll << 40);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);

    omfHdl_t old = createFile("lengths1x.omf", kOmfRev1x, kOmfLittleEndian, &object, "MDFL");
    EXPECT_EQ(omfsWriteLength(old, object, length, 1ll << 40), 171);
    ASSERT_EQ(omfsWriteLength(old, object, length, 77), 0);
    ASSERT_EQ(omfsReadLength(old, object, length, &back), 0);
    EXPECT_EQ(back, 77);
    EXPECT_EQ(omfsCloseOMFFile(old), 0);
}

TEST_F(PropertyAccess, EnumerationsAreReadFromOneTwoOrFourBytes) {
    omfObject_t object = nullptr;
    omfHdl_t file = createFile("enums.omf", kOmfRev2x, kOmfLittleEndian, &object, "DIDD");
    const omfProperty_t frameLayout = 193; // LayoutType, stored in 32 bits
    ASSERT_EQ(omfsWriteEnum(file, object, frameLayout, kOmfType_LayoutType, 2), 0);
    omfInt64 length = 0;
    ASSERT_EQ(omfsValueLength(file, object, frameLayout, kOmfType_LayoutType, &length), 0);
    EXPECT_EQ(length, 4);
    omfInt32 value = 0;
    ASSERT_EQ(omfsReadEnum(file, object, frameLayout, kOmfType_LayoutType, &value), 0);
    EXPECT_EQ(value, 2);
    // Values other writers stored in 2 bytes or 1 byte read the same.
    for (omfInt32 size : {2, 1}) {
        omfObject_t other = nullptr;
        ASSERT_EQ(omfsObjectNew(file, "DIDD", &other), 0);
        const unsigned char stored[2] = {3, 0};
        ASSERT_EQ(
            omfsWriteValueBytes(file, other, frameLayout, 0, kOmfType_LayoutType, size, stored), 0);
        ASSERT_EQ(omfsReadEnum(file, other, frameLayout, kOmfType_LayoutType, &value), 0);
        EXPECT_EQ(value, 3) << size << "-byte value";
    }
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, DataValuesAreSwappedByTheirDataKind) {
    omfObject_t object = nullptr;
    omfHdl_t file = createFile("datavalues.omf", kOmfRev2x, kOmfBigEndian, &object, "TIFD");
    omfObject_t rational = nullptr, bytes = nullptr;
    omfErr_t error = 0;
    ASSERT_TRUE(omfsFindDataKind(file, "Rational", &rational, &error));
    ASSERT_TRUE(omfsFindDataKind(file, "Picture", &bytes, &error));
    const omfProperty_t summary = 232; // a DataValue property
    const omfInt32 numbers[2] = {1, 2};
    ASSERT_EQ(omfsWriteDataValue(file, object, summary, rational, numbers, 8), 0);
    unsigned char raw[8];
    omfInt32 got = 0;
    ASSERT_EQ(omfsReadDataBytes(file, object, summary, kOmfType_DataValue, 0, 8, raw, &got), 0);
    const unsigned char bigEndian[8] = {0, 0, 0, 1, 0, 0, 0, 2};
    EXPECT_EQ(std::memcmp(raw, bigEndian, 8), 0);
    omfInt32 back[2] = {};
    ASSERT_EQ(omfsReadDataValue(file, object, summary, rational, back, 8, &got), 0);
    EXPECT_EQ(got, 8);
    EXPECT_EQ(back[0], 1);
    EXPECT_EQ(back[1], 2);
    EXPECT_EQ(omfsReadDataValue(file, object, summary, rational, back, 4, &got), 88);
    // Picture data moves as bytes.
    ASSERT_EQ(omfsReadDataValue(file, object, summary, bytes, raw, 8, &got), 0);
    EXPECT_EQ(std::memcmp(raw, bigEndian, 8), 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, SettersRefuseToWriteWhileAMediaStreamIsBeingWritten) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("streaming.omf").c_str(), session_, kOmfRev2x, &file), 0);
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfsObjectNew(file, "MDFL", &descriptor), 0);
    file->mediaStreamWriting = [](omfHdl_t) { return true; };
    EXPECT_EQ(omfsWriteLength(file, descriptor, 64, 10), 78);
    EXPECT_FALSE(omfsPropertyPresent(file, descriptor, 64, kOmfType_Length32));
    file->mediaStreamWriting = [](omfHdl_t) { return false; };
    EXPECT_EQ(omfsWriteLength(file, descriptor, 64, 10), 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(PropertyAccess, GettersDeliverOutOfRangeDataWithTheCheckFailure) {
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("outofrange.omf").c_str(), session_, kOmfRev2x, &file), 0);
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfsObjectNew(file, "MDFL", &descriptor), 0);
    ASSERT_EQ(omfsSetChecking(file, false), 0);
    ASSERT_EQ(omfsWriteLength(file, descriptor, 64, -5), 0); // a length must not be negative
    ASSERT_EQ(omfsSetChecking(file, true), 0);
    omfInt64 length = 0;
    EXPECT_EQ(omfsReadLength(file, descriptor, 64, &length), 195);
    EXPECT_EQ(length, -5);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

} // namespace

// Container values of one property of an object: all of them, and those of one type.
static CMCount valuesOf(omfHdl_t file, omfObject_t object, const char* property,
                        const char* type = nullptr) {
    CMProperty definition = CMGetGlobalNameObject(file->container, property);
    return CMCountValues(object, definition,
                         type ? CMGetGlobalNameObject(file->container, type) : nullptr);
}

TEST_F(PropertyAccess, TypedAccessStoresEachPropertyUnderItsRevisionsType) {
    struct Case {
        omfFileRev_t revision;
        uint16_t byteOrder;
        const char* rateType;
        const char* bytesType;
    };
    for (Case test : {Case{kOmfRev1x, kOmfLittleEndian, "omfi:ExactEditRate", "omfi:VarLenBytes"},
                      Case{kOmfRev1x, kOmfBigEndian, "omfi:ExactEditRate", "omfi:VarLenBytes"},
                      Case{kOmfRev2x, kOmfBigEndian, "omfi:Rational", "omfi:DataValue"}}) {
        SCOPED_TRACE(test.rateType + std::string(" order ") + std::to_string(test.byteOrder));
        omfObject_t descriptor = nullptr, tiff = nullptr;
        omfHdl_t file = createFile("rev" + std::to_string(test.revision) +
                                       std::to_string(test.byteOrder) + ".omf",
                                   test.revision, test.byteOrder, &descriptor, "MDFL");
        ASSERT_EQ(omfsObjectNew(file, "TIFD", &tiff), 0);
        // Rationals and byte data are named alike in every revision by callers.
        ASSERT_EQ(omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, {30000, 1001}),
                  0);
        const unsigned char summary[6] = {'I', 'I', 42, 0, 8, 0};
        ASSERT_EQ(omfsWriteDataBytes(file, tiff, kOmfProperty_TIFD_Summary, kOmfType_DataValue, 0,
                                     sizeof summary, summary),
                  0);
        EXPECT_EQ(valuesOf(file, descriptor, "OMFI:MDFL:SampleRate"), 1u);
        EXPECT_EQ(valuesOf(file, descriptor, "OMFI:MDFL:SampleRate", test.rateType), 1u);
        EXPECT_EQ(valuesOf(file, tiff, "OMFI:TIFD:Summary", test.bytesType), 1u);
        // A type the revision does not list for the property is refused and stores nothing.
        EXPECT_EQ(omfsWriteString(file, descriptor, kOmfProperty_MDFL_SampleRate, "24"),
                  OM_ERR_PROPERTY_TYPE_MISMATCH);
        EXPECT_EQ(valuesOf(file, descriptor, "OMFI:MDFL:SampleRate"), 1u);

        omfRational_t rate{};
        ASSERT_EQ(omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &rate), 0);
        EXPECT_EQ(rate.numerator, 30000);
        EXPECT_EQ(rate.denominator, 1001);
        EXPECT_TRUE(
            omfsPropertyPresent(file, descriptor, kOmfProperty_MDFL_SampleRate, kOmfType_Rational));
        unsigned char back[sizeof summary] = {};
        omfInt32 got = 0;
        ASSERT_EQ(omfsReadDataBytes(file, tiff, kOmfProperty_TIFD_Summary, kOmfType_DataValue, 0,
                                    sizeof back, back, &got),
                  0);
        EXPECT_EQ(std::memcmp(back, summary, sizeof summary), 0);
        EXPECT_EQ(omfsCloseOMFFile(file), 0);
    }
}

TEST_F(PropertyAccess, A1xSampleRateAnotherWriterStoredAsRationalStillReads) {
    omfObject_t descriptor = nullptr;
    omfHdl_t file = createFile("rational1x.omf", kOmfRev1x, kOmfLittleEndian, &descriptor, "MDFL");
    CMProperty sampleRate = nullptr;
    CMType rational = nullptr;
    ASSERT_EQ(omfsPropertyObject(file, kOmfProperty_MDFL_SampleRate, &sampleRate), 0);
    ASSERT_EQ(omfsTypeObject(file, kOmfType_Rational, &rational), 0);
    const unsigned char stored[8] = {25, 0, 0, 0, 1, 0, 0, 0};
    CMValue value = CMNewValue(descriptor, sampleRate, rational);
    ASSERT_NE(value, nullptr);
    CMWriteValueData(value, stored, 0, sizeof stored);
    omfRational_t rate{};
    ASSERT_EQ(omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &rate), 0);
    EXPECT_EQ(rate.numerator, 25);
    EXPECT_EQ(rate.denominator, 1);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}
