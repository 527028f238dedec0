// Semantic checks: properties are accessed only through objects of their
// class, data lies in its allowed range (setters fail with 194, getters with
// 195 after delivering the data), references lead to objects of the
// expected class, and checks do not check their own reads.
#include "omf_fixture.h"

#include "omf/omf_checks.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <string>

using namespace omf_test;

namespace {

class Checks : public ToolkitTest {
  protected:
    omfHdl_t newFile(const std::string& name, omfFileRev_t revision) {
        omfHdl_t file = nullptr;
        EXPECT_EQ(omfsNewFile(path(name).c_str(), session_, revision, &file), 0);
        return file;
    }

    static omfObject_t object(omfHdl_t file, const char* classID) {
        omfObject_t created = nullptr;
        EXPECT_EQ(omfsObjectNew(file, classID, &created), 0) << classID;
        return created;
    }

    static omfObject_t head(omfHdl_t file) {
        omfObject_t found = nullptr;
        EXPECT_EQ(omfsGetHeadObject(file, &found), 0);
        return found;
    }

    // Whether the file's trace starts with the raise of `code`.
    static bool raisedFirst(omfHdl_t file, omfErr_t code) {
        const std::string expected = "Error Raised <" + std::to_string(code) + ">";
        return std::string(omfsErrorTrace(file)).rfind(expected, 0) == 0;
    }

    static bool traceMentions(omfHdl_t file, omfErr_t code) {
        const std::string expected = "<" + std::to_string(code) + ">";
        return std::string(omfsErrorTrace(file)).find(expected) != std::string::npos;
    }
};

TEST_F(Checks, ByteOrderAcceptsOnlyTheTwoOrders) {
    // The 2.x HEAD ByteOrder and the 1.x per-object ByteOrder share the rule.
    omfHdl_t modern = newFile("order2.omf", kOmfRev2x);
    omfHdl_t old = newFile("order1.omf", kOmfRev1x);
    struct Case {
        omfHdl_t file;
        omfObject_t carrier;
        omfProperty_t property;
    };
    for (Case test : {Case{modern, head(modern), kOmfProperty_HEAD_ByteOrder},
                      Case{old, object(old, "CLIP"), kOmfProperty_ByteOrder}}) {
        SCOPED_TRACE("property " + std::to_string(test.property));
        ASSERT_EQ(omfsWriteInt16(test.file, test.carrier, test.property, 0x4D4D), 0);
        for (omfInt16 bad : {omfInt16(0), omfInt16(0x4948), omfInt16(0x4D49), omfInt16(-1)}) {
            EXPECT_EQ(omfsWriteInt16(test.file, test.carrier, test.property, bad), 194) << bad;
            EXPECT_TRUE(raisedFirst(test.file, 23));
            EXPECT_TRUE(traceMentions(test.file, 194));
        }
        // A refused value leaves the stored one untouched.
        omfInt16 stored = 0;
        ASSERT_EQ(omfsReadInt16(test.file, test.carrier, test.property, &stored), 0);
        EXPECT_EQ(stored, 0x4D4D);
        EXPECT_EQ(omfsWriteInt16(test.file, test.carrier, test.property, 0x4949), 0);
    }
    EXPECT_EQ(omfsCloseOMFFile(modern), 0);
    EXPECT_EQ(omfsCloseOMFFile(old), 0);
}

TEST_F(Checks, RelativeTrackMustBeNegativeAndBelongsTo1xFiles) {
    omfHdl_t old = newFile("relative1.omf", kOmfRev1x);
    omfObject_t reference = object(old, "TRKR");
    EXPECT_EQ(omfsWriteInt16(old, reference, kOmfProperty_TRKR_RelativeTrack, -1), 0);
    EXPECT_EQ(omfsWriteInt16(old, reference, kOmfProperty_TRKR_RelativeTrack, -32768), 0);
    for (omfInt16 bad : {omfInt16(0), omfInt16(1), omfInt16(32767)}) {
        EXPECT_EQ(omfsWriteInt16(old, reference, kOmfProperty_TRKR_RelativeTrack, bad), 194) << bad;
        EXPECT_TRUE(raisedFirst(old, 189));
    }
    omfInt16 stored = 0;
    ASSERT_EQ(omfsReadInt16(old, reference, kOmfProperty_TRKR_RelativeTrack, &stored), 0);
    EXPECT_EQ(stored, -32768);
    EXPECT_EQ(omfsCloseOMFFile(old), 0);

    // A 2.x file has no relative tracks: even a negative one is refused.
    omfHdl_t modern = newFile("relative2.omf", kOmfRev2x);
    const omfInt16 negative = -1;
    EXPECT_EQ(omfsCheckData(modern, kOmfProperty_TRKR_RelativeTrack, kOmfType_Int16, &negative),
              175);
    EXPECT_EQ(
        omfsWriteInt16(modern, object(modern, "TRKR"), kOmfProperty_TRKR_RelativeTrack, negative),
        194);
    EXPECT_TRUE(raisedFirst(modern, 175));
    EXPECT_EQ(omfsCloseOMFFile(modern), 0);
}

TEST_F(Checks, PropertiesAreReachedOnlyThroughObjectsOfTheirClass) {
    omfHdl_t old = newFile("classes1.omf", kOmfRev1x);
    const omfUID_t id{1, 2, 3};
    omfObject_t track = object(old, "TRAK");
    omfUID_t read{};
    EXPECT_EQ(omfsWriteUID(old, track, kOmfProperty_MOBJ_MobID, id), 193);
    EXPECT_TRUE(raisedFirst(old, 193));
    EXPECT_FALSE(omfsPropertyPresent(old, track, kOmfProperty_MOBJ_MobID, kOmfType_UID));
    EXPECT_EQ(omfsReadUID(old, track, kOmfProperty_MOBJ_MobID, &read), 193);
    // A mob takes it, and in a 1.x file a MOBJ is also a track group and a
    // component, so their properties are its own.
    omfObject_t mob = object(old, "MOBJ");
    EXPECT_EQ(omfsWriteUID(old, mob, kOmfProperty_MOBJ_MobID, id), 0);
    EXPECT_EQ(omfsReadUID(old, mob, kOmfProperty_MOBJ_MobID, &read), 0);
    EXPECT_EQ(read.minor, 3u);
    EXPECT_EQ(omfsWriteInt32(old, mob, 116 /* GroupLength (TRKG) */, 10), 0);
    EXPECT_EQ(omfsWriteInt32(old, track, 116, 10), 193);
    EXPECT_EQ(omfsCloseOMFFile(old), 0);

    omfHdl_t modern = newFile("classes2.omf", kOmfRev2x);
    EXPECT_EQ(omfsWriteUID(modern, object(modern, "CMOB"), kOmfProperty_MOBJ_MobID, id), 0);
    EXPECT_EQ(omfsWriteUID(modern, object(modern, "MSLT"), kOmfProperty_MOBJ_MobID, id), 193);
    // The type must be one of the property's own for the class to matter.
    omfObject_t slot = object(modern, "MSLT");
    EXPECT_EQ(omfsCheckObjectProperty(modern, slot, kOmfProperty_MOBJ_MobID, kOmfType_UID), 193);
    EXPECT_EQ(omfsCheckObjectProperty(modern, slot, kOmfProperty_MOBJ_MobID, kOmfType_Int32), 0);
    EXPECT_EQ(omfsCloseOMFFile(modern), 0);
}

TEST_F(Checks, ReferencesMustLeadToObjectsOfTheExpectedClass) {
    omfHdl_t file = newFile("segments.omf", kOmfRev2x);
    omfObject_t slot = object(file, "MSLT");
    omfObject_t definition = object(file, "DDEF");
    EXPECT_EQ(omfsWriteObjRef(file, slot, kOmfProperty_MSLT_Segment, definition), 118);
    EXPECT_TRUE(raisedFirst(file, 118));
    EXPECT_FALSE(omfsPropertyPresent(file, slot, kOmfProperty_MSLT_Segment, kOmfType_ObjRef));
    // A sequence is a segment.
    omfObject_t sequence = object(file, "SEQU");
    ASSERT_EQ(omfsWriteObjRef(file, slot, kOmfProperty_MSLT_Segment, sequence), 0);
    omfObject_t target = nullptr;
    ASSERT_EQ(omfsReadObjRef(file, slot, kOmfProperty_MSLT_Segment, &target), 0);
    EXPECT_EQ(target, sequence);

    // A wrong reference stored while the checks were off is caught on reading.
    omfObject_t other = object(file, "MSLT");
    ASSERT_EQ(omfsSetChecking(file, false), 0);
    ASSERT_EQ(omfsWriteObjRef(file, other, kOmfProperty_MSLT_Segment, definition), 0);
    ASSERT_EQ(omfsSetChecking(file, true), 0);
    EXPECT_EQ(omfsReadObjRef(file, other, kOmfProperty_MSLT_Segment, &target), 118);

    // Arrays are checked element by element: HEAD Mobs holds mobs only.
    omfObject_t top = head(file);
    EXPECT_EQ(omfsAppendObjRefArray(file, top, kOmfProperty_HEAD_Mobs, object(file, "SMOB")), 0);
    EXPECT_EQ(omfsAppendObjRefArray(file, top, kOmfProperty_HEAD_Mobs, definition), 118);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_DefinitionObjects, definition), 0);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_DefinitionObjects, object(file, "EDEF")),
              0);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_DefinitionObjects, slot), 118);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(Checks, MobIndexesOf1xFilesHoldMobsOfTheirKind) {
    omfHdl_t file = newFile("mobs1.omf", kOmfRev1x);
    omfObject_t top = head(file);
    omfObject_t composition = object(file, "MOBJ");
    omfObject_t source = object(file, "MOBJ");
    ASSERT_EQ(omfsWriteObjRef(file, source, kOmfProperty_MOBJ_PhysicalMedia, object(file, "MDES")),
              0);
    EXPECT_EQ(omfsWriteObjRef(file, source, kOmfProperty_MOBJ_PhysicalMedia, object(file, "TRAK")),
              118);
    omfObject_t track = object(file, "TRAK");

    EXPECT_EQ(omfsAppendMobIndex(file, top, kOmfProperty_CompositionMobs, {1, 1, 1}, composition),
              0);
    // A mob with physical media is a source mob.
    EXPECT_EQ(omfsAppendMobIndex(file, top, kOmfProperty_CompositionMobs, {1, 1, 2}, source), 183);
    EXPECT_EQ(omfsAppendMobIndex(file, top, kOmfProperty_CompositionMobs, {1, 1, 3}, track), 118);
    EXPECT_EQ(omfsLengthMobIndex(file, top, kOmfProperty_CompositionMobs), 1);

    EXPECT_EQ(omfsAppendMobIndex(file, top, kOmfProperty_SourceMobs, {1, 1, 2}, source), 0);
    EXPECT_EQ(omfsAppendMobIndex(file, top, kOmfProperty_SourceMobs, {1, 1, 3}, track), 118);

    // 1.x media data is anything but descriptors and composition objects.
    EXPECT_EQ(
        omfsAppendMobIndex(file, top, kOmfProperty_MediaData, {1, 1, 4}, object(file, "TIFF")), 0);
    for (const char* refused : {"MDES", "MDFL", "CLIP", "MOBJ", "CLSD", "ATTR"}) {
        EXPECT_EQ(omfsCheckReference(file, kOmfProperty_MediaData, object(file, refused)), 118)
            << refused;
    }
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(Checks, TwoXMediaDataAndMobsAreCheckedByClass) {
    omfHdl_t file = newFile("mobs2.omf", kOmfRev2x);
    // TIFF media data descends from MDAT in 2.x files.
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_MediaData, object(file, "TIFF")), 0);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_MediaData, object(file, "MDES")), 118);
    // The 1.x composition-mob rule also knows 2.x mobs.
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_CompositionMobs, object(file, "CMOB")), 0);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_CompositionMobs, object(file, "SMOB")), 183);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_CompositionMobs, object(file, "SEQU")), 118);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_ObjectSpine, object(file, "CMOB")), 175);
    EXPECT_EQ(omfsCheckReference(file, kOmfProperty_HEAD_Mobs, nullptr), 116);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(Checks, RangeRulesOfNumbersAndRates) {
    omfHdl_t file = newFile("ranges2.omf", kOmfRev2x);
    omfObject_t descriptor = object(file, "MDFL");
    EXPECT_EQ(omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, {30000, 1001}), 0);
    EXPECT_EQ(omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, {0, 1}), 0);
    for (omfRational_t bad : {omfRational_t{25, 0}, omfRational_t{-1, 1}, omfRational_t{1, -1}}) {
        EXPECT_EQ(omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, bad), 194);
        EXPECT_TRUE(raisedFirst(file, 179));
    }

    omfObject_t clip = object(file, "FILL");
    EXPECT_EQ(omfsWriteLength(file, clip, kOmfProperty_CPNT_Length, 0), 0);
    EXPECT_EQ(omfsWriteLength(file, clip, kOmfProperty_CPNT_Length, -1), 194);
    EXPECT_TRUE(raisedFirst(file, 179));
    // 64-bit lengths are judged whole: cutting 2^32 - 5 to 32 bits would
    // make it negative, cutting -2^32 would make it zero.
    EXPECT_EQ(omfsWriteLength(file, clip, kOmfProperty_CPNT_Length, (1ll << 32) - 5), 0);
    EXPECT_TRUE(omfsPropertyPresent(file, clip, kOmfProperty_CPNT_Length, kOmfType_Length64));
    EXPECT_EQ(omfsWriteLength(file, clip, kOmfProperty_CPNT_Length, -(1ll << 32)), 194);
    omfInt64 stored = 0;
    ASSERT_EQ(omfsReadLength(file, clip, kOmfProperty_CPNT_Length, &stored), 0);
    EXPECT_EQ(stored, (1ll << 32) - 5);

    omfObject_t varying = object(file, "VVAL");
    EXPECT_EQ(omfsWriteEnum(file, varying, kOmfProperty_VVAL_Interpolation, kOmfType_InterpKind, 1),
              0);
    EXPECT_EQ(omfsWriteEnum(file, varying, kOmfProperty_VVAL_Interpolation, kOmfType_InterpKind, 2),
              0);
    for (omfInt32 bad : {0, 3}) {
        EXPECT_EQ(
            omfsWriteEnum(file, varying, kOmfProperty_VVAL_Interpolation, kOmfType_InterpKind, bad),
            194);
        EXPECT_TRUE(raisedFirst(file, 188));
    }

    omfObject_t edge = object(file, "ECCP");
    for (omfInt32 kind : {0, 1, 2, 4}) {
        EXPECT_EQ(omfsWriteEnum(file, edge, kOmfProperty_ECCP_FilmKind, kOmfType_FilmType, kind), 0)
            << kind;
    }
    EXPECT_EQ(omfsWriteEnum(file, edge, kOmfProperty_ECCP_FilmKind, kOmfType_FilmType, 3), 194);
    EXPECT_TRUE(raisedFirst(file, 182));

    // A 16-bit enumeration handed over as 32 bits is judged on its whole
    // value: 65538 is no attribute kind even though its low half is 2.
    omfObject_t attribute = object(file, "ATTB");
    EXPECT_EQ(omfsWriteEnum(file, attribute, kOmfProperty_ATTB_Kind, kOmfType_AttrKind, 3), 0);
    EXPECT_EQ(omfsWriteEnum(file, attribute, kOmfProperty_ATTB_Kind, kOmfType_AttrKind, 4), 194);
    EXPECT_TRUE(raisedFirst(file, 197));
    EXPECT_EQ(omfsWriteEnum(file, attribute, kOmfProperty_ATTB_Kind, kOmfType_AttrKind, 65538),
              194);
    EXPECT_TRUE(raisedFirst(file, 197));

    // Booleans: the setters only store 0 or 1; other bytes fail the rule.
    const unsigned char two = 2, one = 1;
    EXPECT_EQ(omfsCheckData(file, kOmfProperty_EDEF_IsTimeWarp, kOmfType_Boolean, &two), 200);
    EXPECT_EQ(omfsCheckData(file, kOmfProperty_EDEF_IsTimeWarp, kOmfType_Boolean, &one), 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);

    omfHdl_t old = newFile("ranges1.omf", kOmfRev1x);
    omfObject_t component = object(old, "CLIP");
    EXPECT_EQ(omfsWriteEnum(old, component, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType, 6), 0);
    EXPECT_EQ(omfsWriteEnum(old, component, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType, 7),
              194);
    EXPECT_TRUE(raisedFirst(old, 180));
    EXPECT_EQ(omfsWriteInt32(old, component, 18 /* Length (CLIP) */, -5), 194);
    EXPECT_EQ(omfsWriteInt32(old, object(old, "SPED"), 100 /* Denominator */, 0), 194);
    EXPECT_EQ(omfsWriteInt32(old, object(old, "SPED"), 100, 1), 0);
    EXPECT_EQ(omfsCloseOMFFile(old), 0);
}

TEST_F(Checks, GettersDeliverOutOfRangeDataAndReport195) {
    // Other writers stored out-of-range data; the value level does not judge data.
    omfHdl_t old = newFile("getters1.omf", kOmfRev1x);
    omfObject_t clip = object(old, "CLIP");
    const omfInt32 negative = -7;
    ASSERT_EQ(
        omfsWriteValueBytes(old, clip, 18 /* Length (CLIP) */, 0, kOmfType_Long, 4, &negative), 0);
    omfInt32 length = 0;
    EXPECT_EQ(omfsReadInt32(old, clip, 18, &length), 195);
    EXPECT_EQ(length, -7);
    EXPECT_TRUE(raisedFirst(old, 179));
    EXPECT_TRUE(traceMentions(old, 195));
    // With the checks off the same read succeeds.
    ASSERT_EQ(omfsSetChecking(old, false), 0);
    EXPECT_FALSE(omfsIsChecking(old));
    EXPECT_EQ(omfsReadInt32(old, clip, 18, &length), 0);
    ASSERT_EQ(omfsSetChecking(old, true), 0);
    EXPECT_TRUE(omfsIsChecking(old));
    EXPECT_EQ(omfsCloseOMFFile(old), 0);

    omfHdl_t file = newFile("getters2.omf", kOmfRev2x);
    omfObject_t attribute = object(file, "ATTB");
    const omfUInt16 kind = 9;
    ASSERT_EQ(omfsWriteValueBytes(file, attribute, kOmfProperty_ATTB_Kind, 0, kOmfType_AttrKind, 2,
                                  &kind),
              0);
    omfInt32 readKind = 0;
    EXPECT_EQ(omfsReadEnum(file, attribute, kOmfProperty_ATTB_Kind, kOmfType_AttrKind, &readKind),
              195);
    EXPECT_EQ(readKind, 9);
    EXPECT_TRUE(raisedFirst(file, 197));

    omfObject_t descriptor = object(file, "MDFL");
    const omfInt32 rate[2] = {25, 0};
    for (int field = 0; field < 2; ++field) {
        ASSERT_EQ(omfsWriteValueBytes(file, descriptor, kOmfProperty_MDFL_SampleRate, 4 * field,
                                      kOmfType_Rational, 4, &rate[field]),
                  0);
    }
    omfRational_t readRate{};
    EXPECT_EQ(omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &readRate), 195);
    EXPECT_EQ(readRate.numerator, 25);
    EXPECT_EQ(readRate.denominator, 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

// A caller's rule that watches what a running check may do.
struct RuleObservation {
    int calls = 0;
    bool checkingSeen = true;
    omfErr_t innerRead = -1;
    omfObject_t track = nullptr; // carries a MOBJ property it has no right to
};
RuleObservation observation;

omfBool watchingRule(omfHdl_t file, const void* data, omfErr_t* error) {
    ++observation.calls;
    observation.checkingSeen = omfsIsChecking(file);
    omfUID_t id{};
    observation.innerRead = omfsReadUID(file, observation.track, kOmfProperty_MOBJ_MobID, &id);
    omfInt32 value = 0;
    std::memcpy(&value, data, sizeof value);
    if (value >= 0) return true;
    *error = 179;
    return false;
}

TEST_F(Checks, AChecksOwnReadsAreNotChecked) {
    observation = RuleObservation{};
    ASSERT_EQ(
        omfsSetDataRule(session_, kOmfProperty_IDNT_ProductID, kOmfRevisionsBoth, watchingRule), 0);
    omfHdl_t file = newFile("own.omf", kOmfRev1x);
    observation.track = object(file, "TRAK");
    ASSERT_EQ(omfsSetChecking(file, false), 0);
    ASSERT_EQ(omfsWriteUID(file, observation.track, kOmfProperty_MOBJ_MobID, {4, 5, 6}), 0);
    ASSERT_EQ(omfsSetChecking(file, true), 0);
    omfUID_t id{};
    ASSERT_EQ(omfsReadUID(file, observation.track, kOmfProperty_MOBJ_MobID, &id), 193);

    // (Creating the file wrote its own identification through the rule.)
    omfObject_t identification = object(file, "IDNT");
    observation.calls = 0;
    EXPECT_EQ(omfsWriteInt32(file, identification, kOmfProperty_IDNT_ProductID, 12), 0);
    EXPECT_EQ(observation.calls, 1);
    EXPECT_FALSE(observation.checkingSeen);
    EXPECT_EQ(observation.innerRead, 0);
    EXPECT_TRUE(omfsIsChecking(file));

    // The caller's rule refuses too, and runs on reading.
    EXPECT_EQ(omfsWriteInt32(file, identification, kOmfProperty_IDNT_ProductID, -1), 194);
    EXPECT_TRUE(raisedFirst(file, 179));
    omfInt32 back = 0;
    EXPECT_EQ(omfsReadInt32(file, identification, kOmfProperty_IDNT_ProductID, &back), 0);
    EXPECT_EQ(back, 12);
    EXPECT_EQ(observation.calls, 3);
    EXPECT_TRUE(omfsIsChecking(file));

    // No rule runs while the file's checks are off.
    ASSERT_EQ(omfsSetChecking(file, false), 0);
    EXPECT_EQ(omfsWriteInt32(file, identification, kOmfProperty_IDNT_ProductID, -1), 0);
    EXPECT_EQ(observation.calls, 3);
    ASSERT_EQ(omfsSetChecking(file, true), 0);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(Checks, RegistrationNeedsAKnownPropertyAndSession) {
    EXPECT_EQ(omfsSetDataRule(session_, 9999, kOmfRevisionsBoth, watchingRule), 119);
    EXPECT_EQ(omfsSetRefClass(session_, 9999, kOmfRevisions2x, "SEGM"), 119);
    // Segment exists in 2.x files only.
    EXPECT_EQ(omfsSetRefClass(session_, kOmfProperty_MSLT_Segment, kOmfRevisions1x, "SEGM"), 119);
    EXPECT_EQ(
        omfsSetDataRule(nullptr, kOmfProperty_IDNT_ProductID, kOmfRevisionsBoth, watchingRule), 11);
    EXPECT_EQ(omfsSetRefClass(session_, kOmfProperty_MSLT_Segment, kOmfRevisions2x, nullptr), 177);

    // A caller narrows what a reference may lead to.
    ASSERT_EQ(omfsSetRefClass(session_, kOmfProperty_MSLT_Segment, kOmfRevisions2x, "FILL"), 0);
    omfHdl_t file = newFile("narrowed.omf", kOmfRev2x);
    omfObject_t slot = object(file, "MSLT");
    EXPECT_EQ(omfsWriteObjRef(file, slot, kOmfProperty_MSLT_Segment, object(file, "SEQU")), 118);
    EXPECT_EQ(omfsWriteObjRef(file, slot, kOmfProperty_MSLT_Segment, object(file, "FILL")), 0);
    EXPECT_EQ(omfsSetChecking(nullptr, true), 20);
    EXPECT_FALSE(omfsIsChecking(nullptr));
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

} // namespace
