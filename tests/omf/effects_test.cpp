// Effect readers on effects built in code: speed control, repeat and wipe in
// 1.x and 2.x files, and the constant-argument readers.
#include "omf_fixture.h"

#include "omf/omf_effects.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <string>

using namespace omf_test;

namespace {

class EffectReaders : public ToolkitTest {
  protected:
    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    void open(omfFileRev_t revision) {
        ASSERT_EQ(omfsNewFile(path("effects.omf").c_str(), session_, revision, &file_), 0);
    }

    omfObject_t object(const char* classID) {
        omfObject_t created = nullptr;
        EXPECT_EQ(omfsObjectNew(file_, classID, &created), 0);
        return created;
    }

    omfObject_t dataKind(const char* name) {
        omfObject_t kind = nullptr;
        omfErr_t status = 0;
        if (!omfsFindDataKind(file_, name, &kind, &status)) {
            EXPECT_EQ(omfsDefineDataKind(file_, name, &kind), 0);
        }
        return kind;
    }

    // An effect definition of the file (the one already there when defined).
    omfObject_t effectDef(const char* effectID) {
        omfObject_t definition = nullptr;
        omfErr_t status = 0;
        if (!omfiFindEffectDef(file_, effectID, &definition, &status)) {
            EXPECT_EQ(omfiEffectDefNew(file_, effectID, "test", nullptr, false, &definition), 0);
        }
        return definition;
    }

    omfObject_t constant(const char* kind, const void* bytes, omfInt32 size) {
        omfObject_t value = object("CVAL");
        EXPECT_EQ(omfsWriteObjRef(file_, value, kOmfProperty_CPNT_DataKind, dataKind(kind)), 0);
        EXPECT_EQ(omfsWriteLength(file_, value, kOmfProperty_CPNT_Length, 1), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, value, kOmfProperty_CVAL_Value, kOmfType_DataValue, 0,
                                     size, bytes),
                  0);
        return value;
    }
    // Constants in little-endian byte order, as the test files store them.
    omfObject_t int32Constant(const char* kind, omfInt32 number) {
        unsigned char bytes[4];
        for (int i = 0; i < 4; ++i)
            bytes[i] = uint8_t(uint32_t(number) >> (8 * i));
        return constant(kind, bytes, 4);
    }
    omfObject_t rationalConstant(omfInt32 numerator, omfInt32 denominator) {
        unsigned char bytes[8];
        for (int i = 0; i < 4; ++i) {
            bytes[i] = uint8_t(uint32_t(numerator) >> (8 * i));
            bytes[4 + i] = uint8_t(uint32_t(denominator) >> (8 * i));
        }
        return constant("omfi:data:Rational", bytes, 8);
    }
    omfObject_t booleanConstant(bool flag) {
        unsigned char byte = flag ? 1 : 0;
        return constant("omfi:data:Boolean", &byte, 1);
    }

    omfObject_t filler(omfInt64 length) {
        omfObject_t fill = object("FILL");
        EXPECT_EQ(
            omfsWriteObjRef(file_, fill, kOmfProperty_CPNT_DataKind, dataKind("omfi:data:Picture")),
            0);
        EXPECT_EQ(omfsWriteLength(file_, fill, kOmfProperty_CPNT_Length, length), 0);
        return fill;
    }

    omfObject_t effect(omfObject_t definition, omfInt64 length) {
        omfObject_t created = object("EFFE");
        EXPECT_EQ(omfsWriteObjRef(file_, created, kOmfProperty_EFFE_EffectKind, definition), 0);
        EXPECT_EQ(omfsWriteObjRef(file_, created, kOmfProperty_CPNT_DataKind,
                                  dataKind("omfi:data:Picture")),
                  0);
        EXPECT_EQ(omfsWriteLength(file_, created, kOmfProperty_CPNT_Length, length), 0);
        return created;
    }

    void addArgument(omfObject_t target, omfInt32 argID, omfObject_t value) {
        omfObject_t slot = object("ESLT");
        EXPECT_EQ(omfsWriteEnum(file_, slot, kOmfProperty_ESLT_ArgID, kOmfType_ArgIDType, argID),
                  0);
        EXPECT_EQ(omfsWriteObjRef(file_, slot, kOmfProperty_ESLT_ArgValue, value), 0);
        EXPECT_EQ(omfsAppendObjRefArray(file_, target, kOmfProperty_EFFE_EffectSlots, slot), 0);
    }

    // A 1.x track group of `classID` whose first track holds `input`.
    omfObject_t group1x(const char* classID, omfInt32 length, omfObject_t input) {
        omfObject_t group = object(classID);
        EXPECT_EQ(omfsWriteInt32(file_, group, kOmfProperty_TRKG_GroupLength, length), 0);
        if (input != nullptr) {
            omfObject_t track = object("TRAK");
            EXPECT_EQ(omfsWriteObjRef(file_, track, kOmfProperty_TRAK_TrackComponent, input), 0);
            EXPECT_EQ(omfsAppendObjRefArray(file_, group, kOmfProperty_TRKG_Tracks, track), 0);
        }
        return group;
    }
    omfObject_t clip1x(omfInt32 length) {
        omfObject_t clip = object("SCLP");
        EXPECT_EQ(omfsWriteInt32(file_, clip, kOmfProperty_CLIP_Length, length), 0);
        return clip;
    }

    omfHdl_t file_ = nullptr;
};

TEST_F(EffectReaders, SpeedControlOf2xFileReadsLengthInputRatioAndPhase) {
    open(kOmfRev2x);
    omfObject_t speed = effect(effectDef(kOmfEffectVideoSpeedControl), 48);
    omfObject_t input = filler(24);
    addArgument(speed, kOmfArgInputA, input);
    addArgument(speed, 1, rationalConstant(-3, 2));
    addArgument(speed, 2, int32Constant("omfi:data:UInt32", 7));
    omfInt64 length = 0;
    omfObject_t readInput = nullptr;
    omfRational_t ratio{};
    omfUInt32 phase = 0;
    ASSERT_EQ(omfiReadSpeedControl(file_, speed, &length, &readInput, &ratio, &phase), 0);
    EXPECT_EQ(length, 48);
    EXPECT_EQ(readInput, input);
    EXPECT_EQ(ratio.numerator, -3);
    EXPECT_EQ(ratio.denominator, 2);
    EXPECT_EQ(phase, 7u);
}

TEST_F(EffectReaders, SpeedControlNeedsItsDefinitionAndRatio) {
    open(kOmfRev2x);
    effectDef(kOmfEffectVideoSpeedControl);
    omfObject_t repeat = effect(effectDef(kOmfEffectVideoRepeat), 10);
    addArgument(repeat, 1, rationalConstant(1, 2));
    EXPECT_EQ(omfiReadSpeedControl(file_, repeat, nullptr, nullptr, nullptr, nullptr), 144);

    // The repeat reader takes it; without an input or phase both stay empty.
    omfInt64 length = 0;
    omfObject_t input = filler(1);
    omfUInt32 phase = 99;
    ASSERT_EQ(omfiReadRepeat(file_, repeat, &length, &input, &phase), 0);
    EXPECT_EQ(length, 10);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(phase, 0u);

    omfObject_t noRatio = effect(effectDef(kOmfEffectVideoSpeedControl), 10);
    addArgument(noRatio, kOmfArgInputA, filler(10));
    EXPECT_EQ(omfiReadSpeedControl(file_, noRatio, nullptr, nullptr, nullptr, nullptr), 123);
    EXPECT_EQ(omfiReadSpeedControl(file_, nullptr, nullptr, nullptr, nullptr, nullptr), 116);
    EXPECT_EQ(omfiReadSpeedControl(nullptr, noRatio, nullptr, nullptr, nullptr, nullptr), 20);
}

TEST_F(EffectReaders, EffectWithoutAnyRegisteredDefinitionIsRefused) {
    open(kOmfRev2x);
    omfObject_t unregistered = object("EDEF");
    ASSERT_EQ(
        omfsWriteUniqueName(file_, unregistered, kOmfProperty_EDEF_EffectID, kOmfEffectVideoRepeat),
        0);
    omfObject_t repeat = effect(unregistered, 5);
    EXPECT_EQ(omfiReadRepeat(file_, repeat, nullptr, nullptr, nullptr), 144);
}

TEST_F(EffectReaders, WipeOf2xFileReadsInputsNumberAndControlsWithDefaults) {
    open(kOmfRev2x);
    omfObject_t wipe = effect(effectDef(kOmfEffectSMPTEVideoWipe), 30);
    omfObject_t a = filler(30);
    omfObject_t b = filler(30);
    addArgument(wipe, kOmfArgInputB, b);
    addArgument(wipe, kOmfArgInputA, a);
    addArgument(wipe, 1, int32Constant("omfi:data:Int32", 21));
    addArgument(wipe, 3, booleanConstant(true));
    addArgument(wipe, 9, booleanConstant(true));
    addArgument(wipe, 11, int32Constant("omfi:data:Int32", -4));
    addArgument(wipe, 12, booleanConstant(true));
    omfInt64 length = 0;
    omfObject_t inputA = nullptr, inputB = nullptr, level = a;
    omfInt32 number = 0;
    omfWipeArgs_t controls{};
    ASSERT_EQ(omfiReadWipe(file_, wipe, &length, &inputA, &inputB, &level, &number, &controls), 0);
    EXPECT_EQ(length, 30);
    EXPECT_EQ(inputA, a);
    EXPECT_EQ(inputB, b);
    EXPECT_EQ(level, nullptr);
    EXPECT_EQ(number, 21);
    const omfUInt8 expectedFlags[8] = {0, 1, 0, 0, 0, 0, 0, 1}; // ArgIDs 2..9
    EXPECT_EQ(std::memcmp(controls.flags, expectedFlags, 8), 0);
    EXPECT_EQ(controls.number10, 1); // absent: default
    EXPECT_EQ(controls.number11, -4);
    EXPECT_EQ(controls.flag12, 1);

    // Outputs may be omitted.
    EXPECT_EQ(omfiReadWipe(file_, wipe, nullptr, nullptr, nullptr, nullptr, &number, nullptr), 0);

    omfObject_t noNumber = effect(effectDef(kOmfEffectSMPTEVideoWipe), 30);
    EXPECT_EQ(omfiReadWipe(file_, noNumber, nullptr, nullptr, nullptr, nullptr, &number, nullptr),
              123);
    omfObject_t dissolve = effect(effectDef(kOmfEffectSimpleVideoDissolve), 30);
    addArgument(dissolve, 1, int32Constant("omfi:data:Int32", 1));
    EXPECT_EQ(omfiReadWipe(file_, dissolve, nullptr, nullptr, nullptr, nullptr, &number, nullptr),
              144);
}

TEST_F(EffectReaders, ConstantsMustBeCvalsOfTheirKindAndSize) {
    open(kOmfRev2x);
    omfInt32 int32Value = 0;
    omfUInt32 uint32Value = 0;
    omfRational_t rational{};
    omfBool flag = false;
    ASSERT_EQ(omfiReadConstInt32(file_, int32Constant("omfi:data:Int32", -123456), &int32Value), 0);
    EXPECT_EQ(int32Value, -123456);
    ASSERT_EQ(omfiReadConstUInt32(file_, int32Constant("omfi:data:UInt32", -1), &uint32Value), 0);
    EXPECT_EQ(uint32Value, 0xFFFFFFFFu);
    ASSERT_EQ(omfiReadConstRational(file_, rationalConstant(30000, 1001), &rational), 0);
    EXPECT_EQ(rational.numerator, 30000);
    EXPECT_EQ(rational.denominator, 1001);
    ASSERT_EQ(omfiReadConstBoolean(file_, booleanConstant(true), &flag), 0);
    EXPECT_TRUE(flag);

    const unsigned char twoBytes[2] = {7, 0};
    EXPECT_EQ(omfiReadConstInt32(file_, constant("omfi:data:Int32", twoBytes, 2), &int32Value),
              147);
    // Right size, other data kind.
    EXPECT_EQ(omfiReadConstInt32(file_, int32Constant("omfi:data:UInt32", 5), &int32Value), 147);
    EXPECT_EQ(omfiReadConstBoolean(file_, int32Constant("omfi:data:Int32", 1), &flag), 147);
    // Not a constant at all.
    EXPECT_EQ(omfiReadConstInt32(file_, filler(4), &int32Value), 147);
    EXPECT_EQ(omfiReadConstInt32(file_, nullptr, &int32Value), 116);
}

TEST_F(EffectReaders, SpeedControlAndRepeatOf1xFilesReadTheirOwnClasses) {
    open(kOmfRev1x);
    omfObject_t input = clip1x(40);
    omfObject_t speed = group1x("SPED", 80, input);
    ASSERT_EQ(omfsWriteInt32(file_, speed, kOmfProperty_SPED_Numerator, 1), 0);
    ASSERT_EQ(omfsWriteInt32(file_, speed, kOmfProperty_SPED_Denominator, 2), 0);
    ASSERT_EQ(omfsWriteInt16(file_, speed, kOmfProperty_WARP_PhaseOffset, 3), 0);
    omfInt64 length = 0;
    omfObject_t readInput = nullptr;
    omfRational_t ratio{};
    omfUInt32 phase = 0;
    ASSERT_EQ(omfiReadSpeedControl(file_, speed, &length, &readInput, &ratio, &phase), 0);
    EXPECT_EQ(length, 80);
    EXPECT_EQ(readInput, input);
    EXPECT_EQ(ratio.numerator, 1);
    EXPECT_EQ(ratio.denominator, 2);
    EXPECT_EQ(phase, 3u);

    omfObject_t repeat = group1x("REPT", 25, input);
    ASSERT_EQ(omfsWriteInt16(file_, repeat, kOmfProperty_WARP_PhaseOffset, 2), 0);
    ASSERT_EQ(omfiReadRepeat(file_, repeat, &length, &readInput, &phase), 0);
    EXPECT_EQ(length, 25);
    EXPECT_EQ(readInput, input);
    EXPECT_EQ(phase, 2u);
}

TEST_F(EffectReaders, WipeOf1xFileTakesTheNumberAfterTheColon) {
    open(kOmfRev1x);
    omfObject_t wipe = group1x("TRKG", 12, clip1x(12));
    ASSERT_EQ(omfsWriteString(file_, wipe, kOmfProperty_CPNT_EffectID, "SMPTE Wipe:7"), 0);
    omfInt64 length = 0;
    omfObject_t inputA = wipe;
    omfInt32 number = 0;
    omfWipeArgs_t controls;
    std::memset(&controls, 0xAB, sizeof controls);
    ASSERT_EQ(omfiReadWipe(file_, wipe, &length, &inputA, nullptr, nullptr, &number, &controls), 0);
    EXPECT_EQ(length, 12);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(inputA, nullptr);
    EXPECT_EQ(controls.number10, 0);
    EXPECT_EQ(controls.flags[3], 0);
    EXPECT_EQ(controls.flag12, 0);

    ASSERT_EQ(omfsWriteString(file_, wipe, kOmfProperty_CPNT_EffectID, "Wipe:123 box"), 0);
    ASSERT_EQ(omfiReadWipe(file_, wipe, nullptr, nullptr, nullptr, nullptr, &number, nullptr), 0);
    EXPECT_EQ(number, 123);

    // Without a number right after the first colon the wipe is not delivered as wipe 0.
    ASSERT_EQ(omfsWriteString(file_, wipe, kOmfProperty_CPNT_EffectID, "Blend:Wipe:7"), 0);
    EXPECT_EQ(omfiReadWipe(file_, wipe, nullptr, nullptr, nullptr, nullptr, &number, nullptr), 123);
    ASSERT_EQ(omfsWriteString(file_, wipe, kOmfProperty_CPNT_EffectID, "Wipe"), 0);
    EXPECT_EQ(omfiReadWipe(file_, wipe, nullptr, nullptr, nullptr, nullptr, &number, nullptr), 123);
    omfObject_t noID = group1x("TRKG", 12, nullptr);
    EXPECT_EQ(omfiReadWipe(file_, noID, nullptr, nullptr, nullptr, nullptr, &number, nullptr), 123);
}

} // namespace
